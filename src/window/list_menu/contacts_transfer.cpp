// Import Contacts... and Export Contacts...: the address book in and out of vCard and CSV files.
#include "window/form/form1x.h"

#include <algorithm>

#include "transfer/book_export.h"
#include "transfer/book_import.h"
#include "transfer/card_files.h"
#include "window/controls/tab_strip.h"

#include <QFile>
#include <QSignalBlocker>

namespace {

const QString ImportFilter = QStringLiteral(
    "Contacts (*.vcf *.vcard *.csv);;vCard files (*.vcf *.vcard);;CSV files (*.csv)");
const QString ExportFilter = QStringLiteral("vCard files (*.vcf *.vcard);;CSV files (*.csv)");
const QString ProposedExport = QStringLiteral("contacts.vcf");

std::string nameOnDisk(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

void Form1x::MnuImport_Click()
{
    const QStringList files = dialogs_->openFileNames(tr("Import Contacts"), ImportFilter);
    if (!files.isEmpty())
        importContacts(files);
}

void Form1x::MnuExport_Click()
{
    const QString file =
        dialogs_->saveFileName(tr("Export Contacts"), ProposedExport, ExportFilter);
    if (!file.isEmpty())
        exportContacts(file);
}

void Form1x::importContacts(const QStringList& files)
{
    std::vector<transfer::CardFile> cards;
    for (const QString& file : files)
        cards.push_back(transfer::readCardFile(nameOnDisk(file)));
    std::string summary;
    transfer::BookChange change;
    // Each CSV file whose columns are not known is placed by the user, then all are read again.
    for (bool imported = false; !imported;) {
        try {
            summary = transfer::importCards(fileSystem_, cards, &change).summary();
            imported = true;
        } catch (const transfer::NotContactsFile& error) {
            dialogs_->showMessage(tr("\"%1\" is neither vCard nor CSV. Nothing was imported.")
                                      .arg(QFile::decodeName(error.what())));
            return;
        } catch (const transfer::UnplacedColumnsFile& error) {
            const auto chosen =
                dialogs_->placeColumns(QFile::decodeName(error.file.c_str()), error.why);
            if (!chosen)
                return;
            for (transfer::CardFile& card : cards) {
                if (card.name == error.file)
                    card.columns = *chosen;
            }
        } catch (...) {
            // Only a failure after the contacts reached the file can have changed it; the
            // window shows what the file holds either way.
            setUpAgainAfterFailure();
            throw;
        }
    }
    // Every contact, the imported ones at the end.
    {
        const QSignalBlocker quiet(TabStrip1);
        TabStrip1->setCurrentIndex(0);
    }
    showStoredContacts();
    // The change holds the contacts added and the known ones the files filled in.
    const auto filled = static_cast<int>(std::count_if(
        change.records.begin(), change.records.end(),
        [](const transfer::RecordChange& record) { return record.before.has_value(); }));
    const auto added = static_cast<int>(change.records.size()) - filled;
    QString what = added == 1 ? tr("Imported 1 contact") : tr("Imported %1 contacts").arg(added);
    if (filled > 0)
        what += tr(", filled in %1 known").arg(filled);
    change.what = (what + u'.').toStdString();
    rememberChange(std::move(change));
    dialogs_->showMessage(QString::fromStdString(summary));
}

void Form1x::exportContacts(const QString& file)
{
    const auto format = file.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                            ? transfer::BookFormat::Csv
                            : transfer::BookFormat::VCard;
    const transfer::ExportedBook book = transfer::exportBook(fileSystem_, format);
    transfer::writeCardFile(nameOnDisk(file), book.cards);
    dialogs_->showMessage(
        book.contacts == 1
            ? tr("1 contact was exported to \"%1\".").arg(file)
            : tr("%1 contacts were exported to \"%2\".").arg(book.contacts).arg(file));
}
