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
    // The room the narrowest tab leaves for its caption inside its frame.
    QSizeF captionRoom() const;

signals:
    void tabClicked();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void tabInserted(int index) override;
    void tabRemoved(int index) override;
    void tabLayoutChange() override;

private:
    // The natural height that every tab of one-character captions shares, taken once for a
    // whole layout of the strip rather than once for each tab (and the strip is laid out once
    // for every tab added). Forgotten when the layout is done, the tabs change, or any event
    // comes, a change of style, font or screen among them.
    mutable int naturalHeight_ = -1;
};
