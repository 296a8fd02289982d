#include "window/looks/icon_files.h"

#include <QEvent>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace {

class FileIconEngine final : public QIconEngine {
public:
    explicit FileIconEngine(const QMap<int, QString>& files) : files_(files) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = sideFor(size);
        if (side == 0 || size.isEmpty())
            return {};
        auto loaded = loaded_.find(side);
        if (loaded == loaded_.end())
            loaded = loaded_.insert(side, QPixmap(files_.value(side)));
        const QSize wanted = actualSize(size, QIcon::Normal, QIcon::Off);
        return loaded->size() == wanted
                   ? *loaded
                   : loaded->scaled(wanted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }

    // The image's own size, or the size asked for where that is smaller: never scaled up.
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = sideFor(size);
        return QSize(side, side).boundedTo(size);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        QList<QSize> sizes;
        if (mode == QIcon::Normal && state == QIcon::Off) {
            for (int side : files_.keys())
                sizes.append(QSize(side, side));
        }
        return sizes;
    }

    QIconEngine* clone() const override { return new FileIconEngine(*this); }
    QString key() const override { return QStringLiteral("FileIconEngine"); }

private:
    // The smallest image at least as large as the size, or the largest there is.
    int sideFor(const QSize& size) const
    {
        const int needed = std::max(size.width(), size.height());
        const auto larger = files_.lowerBound(needed);
        if (larger != files_.end())
            return larger.key();
        return files_.isEmpty() ? 0 : files_.lastKey();
    }

    QMap<int, QString> files_;
    QMap<int, QPixmap> loaded_;
};

// Sets the icon after the window's first paint, and the frame it ends in, are through.
class IconOnceDrawn final : public QObject {
public:
    IconOnceDrawn(QWidget* window, QIcon icon) : QObject(window), icon_(std::move(icon))
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                static_cast<QWidget*>(parent())->setWindowIcon(icon_);
                deleteLater();
            });
        }
        return false;
    }

private:
    QIcon icon_;
};

} // namespace

void setWindowIconOnceDrawn(QWidget* window, const QIcon& icon)
{
    new IconOnceDrawn(window, icon);
}

QIcon iconFromFiles(const QMap<int, QString>& files)
{
    return QIcon(new FileIconEngine(files));
}
