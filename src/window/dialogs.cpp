#include "window/dialogs.h"

#include <QInputDialog>
#include <QMessageBox>

void QtDialogs::showMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle, text, QMessageBox::Ok, parent_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString QtDialogs::inputBox(const QString& prompt, const QString& title,
                            const QString& defaultAnswer)
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, defaultAnswer, &ok);
    return ok ? answer : QString();
}
