// Import Contacts... and Export Contacts...: the address book in and out of vCard files.
#include "window/form1x.h"

#include "window/controls/tab_strip.h"
#include "transfer/book_export.h"
#include "transfer/book_import.h"
#include "transfer/card_files.h"

#include <QFile>
#include <QSignalBlocker>

namespace {

const QString CardFilter = QStringLiteral("vCard files (*.vcf *.vcard)");
const QString ProposedExport = QStringLiteral("contacts.vcf");

std::string nameOnDisk(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

void Form1x::MnuImport_Click()
{
    const QStringList files = dialogs_->openFileNames(tr("Import Contacts"), CardFilter);
    if (!files.isEmpty())
        importContacts(files);
}

void Form1x::MnuExport_Click()
{
    const QString file = dialogs_->saveFileName(tr("Export Contacts"), ProposedExport, CardFilter);
    if (!file.isEmpty())
        exportContacts(file);
}

void Form1x::importContacts(const QStringList& files)
{
    std::vector<transfer::CardFile> cards;
    for (const QString& file : files)
        cards.push_back(transfer::readCardFile(nameOnDisk(file)));
    std::string summary;
    try {
        summary = transfer::importCards(fileSystem_, cards).summary();
    } catch (const transfer::NotVCardFile& error) {
        dialogs_->showMessage(tr("\"%1\" is not a vCard file. Nothing was imported.")
                                  .arg(QFile::decodeName(error.what())));
        return;
    } catch (...) {
        // Only a failure after the contacts reached the file can have changed it; the window
        // shows what the file holds either way.
        setUpAgainAfterFailure();
        throw;
    }
    // Every contact, the imported ones at the end.
    {
        const QSignalBlocker quiet(TabStrip1);
        TabStrip1->setCurrentIndex(0);
    }
    showStoredContacts();
    dialogs_->showMessage(QString::fromStdString(summary));
}

void Form1x::exportContacts(const QString& file)
{
    const transfer::ExportedBook book = transfer::exportBook(fileSystem_);
    transfer::writeCardFile(nameOnDisk(file), book.cards);
    dialogs_->showMessage(book.contacts == 1
                              ? tr("1 contact was exported to \"%1\".").arg(file)
                              : tr("%1 contacts were exported to \"%2\".")
                                    .arg(book.contacts)
                                    .arg(file));
}
