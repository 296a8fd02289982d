#include "window/dialogs.h"

#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

void QtDialogs::showMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle, text, QMessageBox::Ok, parent_);
    box.setTextFormat(Qt::PlainText);
    // So that a number, a file name or the name of a package can be copied out of it.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
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
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}
