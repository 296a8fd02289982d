#include "window/list_menu/duplicates_dialog.h"

#include "numbers/number_comparison.h"
#include "window/form/store_text.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QStringList fieldsShown(const store::ContactRecord& record)
{
    return {fromStore(record.Nick.trimmed()), fromStore(record.FullName.trimmed()),
            fromStore(record.FamilyName.trimmed()), fromStore(record.City.trimmed()),
            QString::fromStdString(numbers::recordNumber(record)).simplified()};
}

} // namespace

DuplicatesDialog::DuplicatesDialog(const std::vector<transfer::DuplicateGroup>& groups,
                                   QWidget* parent)
    : QDialog(parent), groups_(new QTreeWidget(this))
{
    setWindowTitle(tr("Find Duplicates"));
    setObjectName(QStringLiteral("DuplicatesDialog"));
    auto* explanation = new QLabel(
        tr("These contacts are one person: the same nickname or the same full and family "
           "name, and the same number. Each ticked group becomes the contact shown in bold, "
           "its first contact with the blanks filled from the others; the others are removed."),
        this);
    explanation->setWordWrap(true);

    groups_->setObjectName(QStringLiteral("DuplicateGroups"));
    groups_->setAccessibleName(tr("Groups of duplicates"));
    groups_->setHeaderLabels(
        {tr("Nick Name"), tr("Full Name"), tr("Family Name"), tr("City"), tr("Number")});
    groups_->setRootIsDecorated(true);
    for (const transfer::DuplicateGroup& group : groups) {
        auto* item = new QTreeWidgetItem(groups_, fieldsShown(group.merged));
        QFont bold = item->font(0);
        bold.setBold(true);
        for (int column = 0; column < groups_->columnCount(); ++column)
            item->setFont(column, bold);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
        for (const store::ContactRecord& member : group.members)
            new QTreeWidgetItem(item, fieldsShown(member));
        item->setExpanded(true);
    }
    groups_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(groups_, &QTreeWidget::itemChanged, this, [this] { tickChanged(); });

    auto* buttons = new QDialogButtonBox(this);
    merge_ = buttons->addButton(tr("Merge"), QDialogButtonBox::AcceptRole);
    merge_->setObjectName(QStringLiteral("Merge"));
    merge_->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(groups_);
    layout->addWidget(buttons);
    resize(640, 360);
}

std::vector<bool> DuplicatesDialog::ticked() const
{
    std::vector<bool> out;
    for (int i = 0; i < groups_->topLevelItemCount(); ++i)
        out.push_back(groups_->topLevelItem(i)->checkState(0) == Qt::Checked);
    return out;
}

void DuplicatesDialog::tickChanged()
{
    // Merge with nothing ticked would do nothing: Cancel says that.
    const std::vector<bool> now = ticked();
    merge_->setEnabled(std::find(now.begin(), now.end(), true) != now.end());
}
