#include "window/looks/fitted_captions.h"

#include "window/controls/tab_strip.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace fitted_captions {

namespace {

// Below this a caption is no longer read at a glance; it is better cut than unreadable.
constexpr qreal SmallestPointSize = 6.0;
constexpr qreal PointStep = 0.25;

// The room a button's style leaves for its caption, beside the box of a check box.
QRectF captionRoom(const QAbstractButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.rect = button->rect();
    const QStyle::SubElement contents = qobject_cast<const QCheckBox*>(button)
                                            ? QStyle::SE_CheckBoxContents
                                            : QStyle::SE_PushButtonContents;
    return button->style()->subElementRect(contents, &option, button);
}

// The room, in the control's own pixels, up to where another control of its container lies
// across its end (as the STD code box lies across the end of its check box), two pixels
// short of it so that the caption does not touch it.
QSizeF uncoveredRoom(const QWidget* control, QRectF room)
{
    constexpr int Gap = 2;
    const QRect place = control->geometry();
    for (const QWidget* other :
         control->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect otherPlace = other->geometry().translated(-place.topLeft());
        if (other != control && otherPlace.left() > room.left() &&
            otherPlace.intersects(room.toAlignedRect()))
            room.setRight(std::min(room.right(), qreal(otherPlace.left() - Gap)));
    }
    return room.size();
}

// A control, its captions and the room they have.
struct Caption {
    QWidget* control;
    QStringList texts;
    QSizeF room;
};

// The largest size, up to `largest`, at which the caption fits its room.
qreal fittingSize(const Caption& caption, qreal largest)
{
    QFont font = caption.control->font();
    font.setPointSizeF(std::min(font.pointSizeF(), largest));
    return fittingFont(font, caption.texts, caption.room, caption.control->devicePixelRatioF())
        .pointSizeF();
}

// Draws each control's caption at that size, where it is drawn larger.
template <typename Control> void shrinkTo(const std::vector<Control*>& controls, qreal size)
{
    for (Control* control : controls) {
        QFont font = control->font();
        if (font.pointSizeF() > size) {
            font.setPointSizeF(size);
            control->setFont(font);
        }
    }
}

// Captions of one kind (the field labels, the check boxes, the buttons) share one size, the
// largest at which every one of them fits, so that none stands out smaller than its fellows.
void fitTogether(const std::vector<Caption>& captions)
{
    qreal shared = std::numeric_limits<qreal>::max();
    std::vector<QWidget*> controls;
    for (const Caption& caption : captions) {
        shared = std::min(shared, fittingSize(caption, shared));
        controls.push_back(caption.control);
    }
    shrinkTo(controls, shared);
}

Caption buttonCaption(QAbstractButton* button)
{
    return {button, {button->text()}, uncoveredRoom(button, captionRoom(button))};
}

// A button hidden when the window is made (Dial, shown only with a number to call) is fitted
// when it first shows: at the size its fellows share, or smaller, and they with it, where its
// caption needs that. Measured before, its caption would load a face for a character of its
// own (the telephone sign), over a million instructions before the window can show, for a
// button the window may never show.
class FitWhenShown : public QObject {
public:
    FitWhenShown(QAbstractButton* button, std::vector<QAbstractButton*> fellows)
        : QObject(button), fellows_(std::move(fellows))
    {
        button->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            auto* button = static_cast<QAbstractButton*>(watched);
            qreal shared = std::numeric_limits<qreal>::max();
            for (const QAbstractButton* fellow : fellows_)
                shared = std::min(shared, fellow->font().pointSizeF());
            const qreal own = fittingSize(buttonCaption(button), shared);
            shrinkTo(std::vector{button}, own);
            shrinkTo(fellows_, own);
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    std::vector<QAbstractButton*> fellows_;
};

} // namespace

QSizeF textSize(const QFont& font, const QString& text, qreal devicePixelRatio)
{
    QFont drawn = font;
    drawn.setPointSizeF(font.pointSizeF() * devicePixelRatio);
    const QFontMetricsF metrics(drawn);
    return QSizeF(metrics.horizontalAdvance(text), metrics.height()) / devicePixelRatio;
}

QFont fittingFont(QFont font, const QStringList& texts, QSizeF room, qreal devicePixelRatio)
{
    const auto fits = [&] {
        return std::ranges::all_of(texts, [&](const QString& text) {
            const QSizeF size = textSize(font, text, devicePixelRatio);
            return size.width() <= room.width() && size.height() <= room.height();
        });
    };
    while (!fits() && font.pointSizeF() - PointStep >= SmallestPointSize)
        font.setPointSizeF(font.pointSizeF() - PointStep);
    return font;
}

void fitCaptions(QWidget* window)
{
    // The labels of the record area; those of the hidden status bar are never seen.
    std::vector<Caption> labels;
    for (QLabel* label : window->findChildren<QLabel*>())
        if (!label->text().isEmpty() && !label->wordWrap() && label->isVisibleTo(window))
            labels.push_back({label, {label->text()}, uncoveredRoom(label, label->contentsRect())});
    fitTogether(labels);

    std::vector<Caption> checkBoxes;
    std::vector<Caption> buttons;
    std::vector<QAbstractButton*> shownButtons;
    std::vector<QAbstractButton*> hiddenButtons;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->text().isEmpty())
            continue;
        if (qobject_cast<QCheckBox*>(button)) {
            checkBoxes.push_back(buttonCaption(button));
        } else if (button->isVisibleTo(window)) {
            buttons.push_back(buttonCaption(button));
            shownButtons.push_back(button);
        } else {
            hiddenButtons.push_back(button);
        }
    }
    fitTogether(checkBoxes);
    fitTogether(buttons);
    for (QAbstractButton* button : hiddenButtons)
        new FitWhenShown(button, shownButtons);

    for (TabStrip* tabs : window->findChildren<TabStrip*>()) {
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i)
            captions << tabs->tabText(i);
        fitTogether({{tabs, captions, tabs->captionRoom()}});
    }
}

} // namespace fitted_captions
