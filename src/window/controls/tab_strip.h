#pragma once

#include <QTabBar>

// A strip of tabs that share its width equally, so that all of them are visible at once
// with no scroll arrows. tabClicked is raised whenever the user picks a tab, with the mouse
// or the arrow keys, also when it is the tab already selected.
class TabStrip : public QTabBar {
    Q_OBJECT

public:
    explicit TabStrip(QWidget* parent = nullptr);

    QString selectedCaption() const;

signals:
    void tabClicked();

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
};
