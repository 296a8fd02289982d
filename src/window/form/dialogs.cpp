#include "window/form/dialogs.h"

#include "window/list_menu/duplicates_dialog.h"
#include "window/sync/sync_setup_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

int QtDialogs::shown(QDialog& box) const
{
    const int answer = box.exec();
    // A box is closed by the user, who goes on in the window. A window manager gives it the
    // keyboard back; without one (a kiosk, a bare X server) it would stay with no window, and
    // the window's next click would only make it active.
    if (parent_ != nullptr && parent_->isVisible())
        parent_->activateWindow();
    return answer;
}

void QtDialogs::showMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle, text, QMessageBox::Ok, parent_);
    box.setTextFormat(Qt::PlainText);
    // So that a number, a file name or the name of a package can be copied out of it.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    shown(box);
}

QString QtDialogs::inputBox(const QString& prompt, const QString& title,
                            const QString& defaultAnswer)
{
    QInputDialog box(parent_);
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(defaultAnswer);
    // The prompt is shown as it is written: a "<" in it starts no markup.
    for (QLabel* label : box.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    return shown(box) == QDialog::Accepted ? box.textValue() : QString();
}

// Import and export start in the user's home folder: the folder of the contacts themselves is,
// started from the menu, a hidden one.
QStringList QtDialogs::openFileNames(const QString& title, const QString& filter)
{
    QFileDialog box(parent_, title, QDir::homePath(), filter);
    box.setAcceptMode(QFileDialog::AcceptOpen);
    box.setFileMode(QFileDialog::ExistingFiles);
    return shown(box) == QDialog::Accepted ? box.selectedFiles() : QStringList();
}

QString QtDialogs::saveFileName(const QString& title, const QString& proposed,
                                const QString& filter)
{
    QFileDialog box(parent_, title, QDir::homePath(), filter);
    box.setAcceptMode(QFileDialog::AcceptSave);
    // A name without an ending gets the one of the kind of file chosen.
    const auto suffixOf = [](const QString& filter) {
        return filter.contains(QLatin1String("*.csv")) ? QStringLiteral("csv")
                                                       : QStringLiteral("vcf");
    };
    box.setDefaultSuffix(suffixOf(filter.section(QStringLiteral(";;"), 0, 0)));
    QObject::connect(&box, &QFileDialog::filterSelected, &box, [&](const QString& chosen) {
        box.setDefaultSuffix(suffixOf(chosen));
        box.selectFile(QFileInfo(proposed).completeBaseName() + u'.' + suffixOf(chosen));
    });
    box.selectFile(proposed);
    if (shown(box) != QDialog::Accepted || box.selectedFiles().isEmpty())
        return {};
    return box.selectedFiles().constFirst();
}

int Dialogs::setUpSync(SyncSetUpDialog& dialog)
{
    Q_UNUSED(dialog)
    return 0;
}

int QtDialogs::setUpSync(SyncSetUpDialog& dialog)
{
    return shown(dialog);
}

int Dialogs::findDuplicates(DuplicatesDialog& dialog)
{
    Q_UNUSED(dialog)
    return 0;
}

int QtDialogs::findDuplicates(DuplicatesDialog& dialog)
{
    return shown(dialog);
}

std::optional<QString> QtDialogs::passwordBox(const QString& prompt)
{
    QInputDialog box(parent_);
    box.setInputMode(QInputDialog::TextInput);
    box.setTextEchoMode(QLineEdit::Password);
    box.setWindowTitle(ApplicationTitle);
    box.setLabelText(prompt);
    for (QLabel* label : box.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    if (shown(box) != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}
