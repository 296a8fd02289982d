#pragma once

#include <QString>

class QWidget;

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

private:
    QWidget* parent_;
};
