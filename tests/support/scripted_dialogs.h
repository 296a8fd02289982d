#pragma once

#include "window/form/dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

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

    // A file dialog as it was shown; `proposed` is empty for the dialog that opens files.
    struct FileDialog {
        QString title;
        QString proposed;
        QString filter;
    };
    QStringList openFileNames(const QString& title, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& proposed,
                         const QString& filter) override;

    std::optional<std::vector<exchange::ColumnRequest>>
    placeColumns(const QString& file, const exchange::UnplacedColumns& unplaced) override;

    // The next file dialog chooses these files (one for the dialog that saves); with nothing
    // queued it is cancelled.
    void chooseFiles(const QStringList& files) { chosenFiles.push_back(files); }

    // The next input box returns this; with nothing queued it returns its default answer.
    void answer(const QString& text) { answers.push_back(text); }
    // The next input box is cancelled (returns the empty text).
    void cancel() { answers.push_back(QString()); }

    // The set-up of sync: the script fills the real dialog and returns how it ended; with no
    // script it is cancelled.
    int setUpSync(SyncSetUpDialog& dialog) override;
    std::function<int(SyncSetUpDialog&)> setUpScript;
    int syncSetUps = 0;

    // Find Duplicates...: the script looks at the real dialog, ticks and returns how it ended;
    // with no script it is cancelled.
    int findDuplicates(DuplicatesDialog& dialog) override;
    std::function<int(DuplicatesDialog&)> duplicatesScript;

    // The next password box returns this; with nothing queued it is cancelled.
    std::optional<QString> passwordBox(const QString& prompt) override;
    std::deque<QString> passwords;
    QStringList passwordPrompts;
    // The next column dialog places these columns; with nothing queued it is cancelled.
    std::deque<std::vector<exchange::ColumnRequest>> placedColumns;
    // Each column dialog as it was shown: the file and why it was shown.
    QStringList columnDialogs;

    QStringList messages;
    std::deque<Input> inputs;
    std::deque<QString> answers;
    std::deque<FileDialog> fileDialogs;
    std::deque<QStringList> chosenFiles;
};
