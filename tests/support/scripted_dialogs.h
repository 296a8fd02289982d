#pragma once

#include "window/dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>

// Dialogs that record what the window showed and give the answers a test scripted.
class ScriptedDialogs final : public Dialogs {
public:
    struct Input {
        QString prompt;
        QString title;
        QString defaultAnswer;
    };

    void showMessage(const QString& text) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override;

    // The next input box returns this; with nothing queued it returns its default answer.
    void answer(const QString& text) { answers.push_back(text); }
    // The next input box is cancelled (returns the empty text).
    void cancel() { answers.push_back(QString()); }

    QStringList messages;
    std::deque<Input> inputs;
    std::deque<QString> answers;
};
