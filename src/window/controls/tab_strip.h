#pragma once

#include <QTabBar>

// A strip of tabs that share its width equally, so that all of them are visible at once
// with no scroll arrows. tabClicked is raised whenever the user picks a tab, with the mouse
// or the arrow keys, also when it is the tab already selected. A keyboard user who walks the
// tabs with the arrow keys keeps the focus on them, whatever the handler of the tab focuses.
class TabStrip : public QTabBar {
    Q_OBJECT

public:
    explicit TabStrip(QWidget* parent = nullptr);

    QString selectedCaption() const;

signals:
    void tabClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
};
