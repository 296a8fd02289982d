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

QStringList ScriptedDialogs::openFileNames(const QString& title, const QString& filter)
{
    fileDialogs.push_back({title, QString(), filter});
    if (chosenFiles.empty())
        return {};
    QStringList next = chosenFiles.front();
    chosenFiles.pop_front();
    return next;
}

QString ScriptedDialogs::saveFileName(const QString& title, const QString& proposed,
                                      const QString& filter)
{
    fileDialogs.push_back({title, proposed, filter});
    const QStringList chosen = openFileNames(title, filter);
    fileDialogs.pop_back();
    return chosen.isEmpty() ? QString() : chosen.front();
}

int ScriptedDialogs::setUpSync(SyncSetUpDialog& dialog)
{
    ++syncSetUps;
    return setUpScript ? setUpScript(dialog) : 0;
}

int ScriptedDialogs::findDuplicates(DuplicatesDialog& dialog)
{
    return duplicatesScript ? duplicatesScript(dialog) : 0;
}

std::optional<QString> ScriptedDialogs::passwordBox(const QString& prompt)
{
    passwordPrompts.append(prompt);
    if (passwords.empty())
        return std::nullopt;
    QString next = passwords.front();
    passwords.pop_front();
    return next;
}

std::optional<std::vector<exchange::ColumnRequest>>
ScriptedDialogs::placeColumns(const QString& file, const exchange::UnplacedColumns& unplaced)
{
    columnDialogs.append(file + QStringLiteral(": ") + QString::fromStdString(unplaced.what()));
    if (placedColumns.empty())
        return std::nullopt;
    auto next = placedColumns.front();
    placedColumns.pop_front();
    return next;
}
