#pragma once

#include "window/controls/command_button.h"

#include <QColor>

// A record button whose face turns to its backColorOnMouse while the mouse is over it.
class HoverButton : public CommandButton {
    Q_OBJECT

public:
    explicit HoverButton(const QString& caption, QWidget* parent = nullptr);

    void setBackColorOnMouse(const QColor& color);
    // An outline in this colour around the face; invalid (the default) for the plain look.
    void setBorderColor(const QColor& color);

    QColor backColorOnMouse() const { return backColorOnMouse_; }
    // The colour the face is drawn in now.
    QColor faceColor() const;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyFace();

    QColor backColorOnMouse_;
    QColor borderColor_;
    bool mouseOver_ = false;
};
