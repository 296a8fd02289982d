#include "window/controls/tab_strip.h"

#include "window/looks/tab_style.h"

#include <QApplication>
#include <QKeyEvent>

TabStrip::TabStrip(QWidget* parent) : QTabBar(parent)
{
    setUsesScrollButtons(false);
    setExpanding(false);
    setElideMode(Qt::ElideNone);
    setDrawBase(true);
    // Narrow tabs: without the style's padding, a one-letter caption fits a 21-pixel tab.
    auto* style = new TabStyle;
    style->setParent(this);
    setStyle(style);
    setAttribute(Qt::WA_Hover); // the tab under the pointer lights up
    // The strip keeps the desktop's colours around its tabs, not the teal of the record area.
    QPalette desktop = QApplication::palette(this);
    desktop.setResolveMask(~QPalette::ResolveMask(0)); // every colour its own
    setPalette(desktop);
    // Picking another tab changes the current one; picking the current one again is only a
    // click, and it too applies the tab once more.
    connect(this, &QTabBar::currentChanged, this, [this] { emit tabClicked(); });
    connect(this, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index == currentIndex())
            emit tabClicked();
    });
}

QSizeF TabStrip::captionRoom() const
{
    if (count() == 0)
        return {};
    const int narrowest = width() / count();
    return QSizeF(narrowest - 2 * TabStyle::BorderWidth,
                  height() - 2 * TabStyle::VerticalPadding - TabStyle::BorderWidth);
}

QString TabStrip::selectedCaption() const
{
    return currentIndex() < 0 ? QString() : tabText(currentIndex());
}

void TabStrip::keyPressEvent(QKeyEvent* event)
{
    // Showing the contacts of a tab puts the focus in the nickname box, ready for typing;
    // but the next arrow key would then go to the box instead of the next tab.
    const bool hadFocus = hasFocus();
    QTabBar::keyPressEvent(event);
    if (hadFocus && !hasFocus() && isVisible() && isEnabled())
        setFocus(Qt::OtherFocusReason);
}

bool TabStrip::event(QEvent* event)
{
    naturalHeight_ = -1;
    return QTabBar::event(event);
}

QSize TabStrip::tabSizeHint(int index) const
{
    if (count() == 0)
        return QTabBar::tabSizeHint(index);
    if (naturalHeight_ < 0)
        naturalHeight_ = QTabBar::tabSizeHint(index).height();
    // The first tabs take the pixels left over, so the strip is filled exactly.
    const int share = width() / count();
    const int extra = index < width() % count() ? 1 : 0;
    return {share + extra, naturalHeight_};
}

void TabStrip::tabInserted(int index)
{
    naturalHeight_ = -1;
    QTabBar::tabInserted(index);
}

void TabStrip::tabRemoved(int index)
{
    naturalHeight_ = -1;
    QTabBar::tabRemoved(index);
}

void TabStrip::tabLayoutChange()
{
    naturalHeight_ = -1;
    QTabBar::tabLayoutChange();
}

QSize TabStrip::minimumTabSizeHint(int index) const
{
    return tabSizeHint(index);
}
