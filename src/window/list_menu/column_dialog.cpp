// The dialog that places the columns of a CSV file whose header names no phone or no name
// column this program knows: a column for each field, and the first rows to choose by.
#include "window/form/dialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>

namespace {

// The window's captions of the fields, in the order of exchange::ContactField.
const std::array<QString, exchange::ContactFieldCount> FieldCaptions = {
    QStringLiteral("Nick Name:"), QStringLiteral("Full Name:"), QStringLiteral("Family Name:"),
    QStringLiteral("City:"), QStringLiteral("Phone:")};

QString columnCaption(const std::vector<std::string>& header, std::size_t column)
{
    return QStringLiteral("%1: %2").arg(column + 1).arg(QString::fromStdString(header[column]));
}

QComboBox* columnChooser(const exchange::UnplacedColumns& unplaced, std::size_t field,
                         QWidget* parent)
{
    auto* chooser = new QComboBox(parent);
    chooser->addItem(QStringLiteral("(none)"));
    for (std::size_t column = 0; column < unplaced.header.size(); ++column)
        chooser->addItem(columnCaption(unplaced.header, column));
    if (const auto found = unplaced.found[field])
        chooser->setCurrentIndex(int(*found) + 1);
    chooser->setAccessibleName(FieldCaptions[field].chopped(1));
    return chooser;
}

QTableWidget* firstRowsTable(const exchange::UnplacedColumns& unplaced, QWidget* parent)
{
    const int columns = int(unplaced.header.size());
    auto* table = new QTableWidget(int(unplaced.firstRows.size()), columns, parent);
    table->setAccessibleName(QStringLiteral("The first rows of the file"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int column = 0; column < columns; ++column)
        table->setHorizontalHeaderItem(
            column, new QTableWidgetItem(columnCaption(unplaced.header, std::size_t(column))));
    for (int row = 0; row < table->rowCount(); ++row) {
        const std::vector<std::string>& cells = unplaced.firstRows[std::size_t(row)];
        for (int column = 0; column < columns && column < int(cells.size()); ++column)
            table->setItem(
                row, column,
                new QTableWidgetItem(QString::fromStdString(cells[std::size_t(column)])));
    }
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Blank rows are not shown, so a count here would not be the file's row number.
    table->verticalHeader()->hide();
    return table;
}

} // namespace

std::optional<std::vector<exchange::ColumnRequest>>
QtDialogs::placeColumns(const QString& file, const exchange::UnplacedColumns& unplaced)
{
    QDialog box(parent_);
    box.setWindowTitle(QStringLiteral("Columns of %1").arg(file.section(u'/', -1)));
    auto* layout = new QVBoxLayout(&box);
    auto* why =
        new QLabel(QStringLiteral("In \"%1\": %2.\nChoose the column that holds each field.")
                       .arg(file, QString::fromStdString(unplaced.what())),
                   &box);
    why->setTextFormat(Qt::PlainText);
    why->setWordWrap(true);
    layout->addWidget(why);
    auto* fields = new QFormLayout;
    std::array<QComboBox*, exchange::ContactFieldCount> choosers{};
    for (std::size_t field = 0; field < choosers.size(); ++field) {
        choosers[field] = columnChooser(unplaced, field, &box);
        fields->addRow(FieldCaptions[field], choosers[field]);
    }
    layout->addLayout(fields);
    layout->addWidget(firstRowsTable(unplaced, &box));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(buttons);
    box.resize(560, 420);
    if (shown(box) != QDialog::Accepted)
        return std::nullopt;
    std::vector<exchange::ColumnRequest> chosen;
    for (std::size_t field = 0; field < choosers.size(); ++field) {
        if (const int index = choosers[field]->currentIndex(); index > 0)
            chosen.push_back({exchange::ContactField(field), std::to_string(index)});
    }
    return chosen;
}
