#include "support/scripted_dialogs.h"

void ScriptedDialogs::showMessage(const QString& text)
{
    messages.append(text);
}

QString ScriptedDialogs::inputBox(const QString& prompt, const QString& title,
                                  const QString& defaultAnswer)
{
    inputs.push_back({prompt, title, defaultAnswer});
    if (answers.empty())
        return defaultAnswer;
    QString next = answers.front();
    answers.pop_front();
    return next;
}
