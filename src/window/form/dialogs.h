#pragma once

#include "exchange/csv_columns.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QDialog;
class QWidget;
class DuplicatesDialog;
class SyncSetUpDialog;

// The window's modal boxes: messages with an OK button, and the input box of the searches.
// The window talks to them only through this seam, so tests can answer them.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box with only an OK button, captioned with the program's title.
    virtual void showMessage(const QString& text) = 0;
    // An input box; returns the text when OK is pressed, the empty text on Cancel.
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& defaultAnswer) = 0;
    // The file dialogs of import and export, showing the files that `filter` names: the files
    // chosen to open, and the file to write with `proposed` offered; nothing on Cancel.
    virtual QStringList openFileNames(const QString& title, const QString& filter)
    {
        Q_UNUSED(title)
        Q_UNUSED(filter)
        return {};
    }
    virtual QString saveFileName(const QString& title, const QString& proposed,
                                 const QString& filter)
    {
        Q_UNUSED(title)
        Q_UNUSED(proposed)
        Q_UNUSED(filter)
        return {};
    }
    // The dialog that places the columns of a CSV file the import could not place: `unplaced`
    // says why and holds the columns, what was found and the first rows. The columns chosen,
    // or nothing on Cancel.
    virtual std::optional<std::vector<exchange::ColumnRequest>>
    placeColumns(const QString& file, const exchange::UnplacedColumns& unplaced)
    {
        Q_UNUSED(file)
        Q_UNUSED(unplaced)
        return std::nullopt;
    }
    // The set-up of sync, shown until it ends; returns how it ended (SyncSetUpDialog::Outcome).
    virtual int setUpSync(SyncSetUpDialog& dialog);
    // Find Duplicates..., shown until it ends; returns how it ended (QDialog::Accepted on Merge).
    virtual int findDuplicates(DuplicatesDialog& dialog);
    // A box for a password, not shown as typed: the text on OK, nothing on Cancel.
    virtual std::optional<QString> passwordBox(const QString& prompt)
    {
        Q_UNUSED(prompt)
        return std::nullopt;
    }
};

// The program's title, the caption of every message box.
inline const QString ApplicationTitle = QStringLiteral("Zarvoth");

// The real boxes, QMessageBox and QInputDialog, modal to the window.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent) : parent_(parent) {}

    void showMessage(const QString& text) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override;
    QStringList openFileNames(const QString& title, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& proposed,
                         const QString& filter) override;
    int setUpSync(SyncSetUpDialog& dialog) override;
    int findDuplicates(DuplicatesDialog& dialog) override;
    std::optional<QString> passwordBox(const QString& prompt) override;
    std::optional<std::vector<exchange::ColumnRequest>>
    placeColumns(const QString& file, const exchange::UnplacedColumns& unplaced) override;

private:
    // The box's answer; the window has the keyboard again once it is closed.
    int shown(QDialog& box) const;

    QWidget* parent_;
};
