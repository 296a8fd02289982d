// The window at the scale it runs at (CTest runs this at scale 1 and, with QT_SCALE_FACTOR=2,
// at scale 2, and again with Liberation Sans or DejaVu Sans as the only face of the machine):
// every text fits its control, and the icon is drawn from an image of the size that the
// screen needs, never one scaled up.
#include "support/captioned_boxes.h"
#include "support/window_fixture.h"
#include "window/controls/dial_button.h"
#include "window/controls/hover_button.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"
#include "window/looks/fitted_captions.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

namespace {

// The room a button's or check box's style leaves for its caption.
QRect captionRoom(QAbstractButton* button, QStyle::SubElement element)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.rect = button->rect();
    return button->style()->subElementRect(element, &option, button);
}

// The room the text takes in the widget's font as the screen draws it: at scale 2 the face is
// drawn at twice its size, hinted to the screen's pixels.
QSizeF drawnSize(const QWidget* widget, const QString& text)
{
    const qreal scale = widget->devicePixelRatioF();
    QFont drawn = widget->font();
    drawn.setPointSizeF(drawn.pointSizeF() * scale);
    const QFontMetricsF metrics(drawn);
    return QSizeF(metrics.horizontalAdvance(text), metrics.height()) / scale;
}

// Is the text, in the widget's font, at most that wide and high?
bool fits(const QWidget* widget, const QString& text, QSizeF room)
{
    const QSizeF size = drawnSize(widget, text);
    return size.width() <= room.width() && size.height() <= room.height();
}

QString sizes(const QWidget* widget, const QString& text, QSizeF room)
{
    const QSizeF size = drawnSize(widget, text);
    return QStringLiteral("%1: \"%2\" in %3 %4 pt needs %5 x %6, has %7 x %8")
        .arg(widget->objectName(), text, QFontInfo(widget->font()).family())
        .arg(widget->font().pointSizeF())
        .arg(size.width(), 0, 'f', 1)
        .arg(size.height(), 0, 'f', 1)
        .arg(room.width())
        .arg(room.height());
}

} // namespace

class HighResolutionTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void runsAtTheScaleAskedFor();
    void runsWithTheFaceAskedFor();
    void buttonCaptionsFit_data();
    void buttonCaptionsFit();
    void aButtonShownLaterTakesItsFellowsSize();
    void fieldLabelsFitBeforeTheirBoxes_data();
    void fieldLabelsFitBeforeTheirBoxes();
    void entryBoxesAreTallEnoughForTheirText();
    void everyTabCaptionFits();
    void theCreditLineFitsItsLabel();
    void theIconComesInEverySizeTheScreenNeeds_data();
    void theIconComesInEverySizeTheScreenNeeds();

private:
    std::unique_ptr<WindowFixture> fixture_;
};

void HighResolutionTest::init()
{
    fixture_ = std::make_unique<WindowFixture>();
    fixture_->folder.writeRecords(recordsNamed({"Amy"}));
    fixture_->start();
}

void HighResolutionTest::cleanup()
{
    fixture_.reset();
}

void HighResolutionTest::runsAtTheScaleAskedFor()
{
    // Without this a run meant for scale 2 could pass at scale 1 and prove nothing.
    const QByteArray asked = qgetenv("QT_SCALE_FACTOR");
    const qreal expected = asked.isEmpty() ? 1.0 : asked.toDouble();
    QCOMPARE(fixture_->window().devicePixelRatio(), expected);
    // The window keeps its size in its own pixels whatever the scale.
    QCOMPARE(fixture_->window().size(), QSize(595, 417));
}

void HighResolutionTest::runsWithTheFaceAskedFor()
{
    // A run meant for one face alone that got another would prove nothing of that one.
    const QString asked = qEnvironmentVariable("ZARVOTH_ONLY_FACE");
    const QString got = QFontInfo(fixture_->window().Label17->font()).family();
    QVERIFY2(got.startsWith(asked, Qt::CaseInsensitive), qPrintable(got));
}

void HighResolutionTest::buttonCaptionsFit_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("checkBox");
    for (const char* name :
         {"BtnAdd", "BtnSave", "BtnUpdate", "BtnDelete", "BtnExit", "BtnSearch", "DialButton1"})
        QTest::newRow(name) << QString::fromLatin1(name) << false;
    for (const char* name : {"Chkprefx", "Chkcode"})
        QTest::newRow(name) << QString::fromLatin1(name) << true;
}

void HighResolutionTest::buttonCaptionsFit()
{
    QFETCH(QString, control);
    QFETCH(bool, checkBox);
    auto* button = fixture_->window().findChild<QAbstractButton*>(control);
    QVERIFY(button);
    QVERIFY(!button->text().isEmpty());
    const QRect room =
        captionRoom(button, checkBox ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents);
    QVERIFY2(fits(button, button->text(), room.size()),
             qPrintable(sizes(button, button->text(), room.size())));
    // Left-aligned beside the box, a check box's caption ends short of any control beside it.
    const QRectF text = QRectF(room.topLeft(), drawnSize(button, button->text()) + QSizeF(1, 0))
                            .translated(button->pos());
    for (QWidget* other :
         button->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        QVERIFY2(!checkBox || other == button || other->geometry().contains(button->geometry()) ||
                     !text.intersects(QRectF(other->geometry())),
                 qPrintable(QStringLiteral("runs into ") + other->objectName()));
}

void HighResolutionTest::aButtonShownLaterTakesItsFellowsSize()
{
    // A button hidden when the captions are fitted (Dial on an empty book) is fitted when it
    // shows, at the size its fellows share, smaller still if its own caption needs it.
    QWidget window;
    window.resize(400, 100);
    auto* wide = new QPushButton(QStringLiteral("WWWWWWWWWWWW"), &window);
    wide->setGeometry(0, 0, 50, 25);
    auto* later = new QPushButton(QStringLiteral("Dial"), &window);
    later->setGeometry(100, 0, 60, 25);
    later->hide();
    const qreal natural = later->font().pointSizeF();
    fitted_captions::fitCaptions(&window);
    QVERIFY(wide->font().pointSizeF() < natural);
    QCOMPARE(later->font().pointSizeF(), natural);
    window.show();
    later->show();
    QCOMPARE(later->font().pointSizeF(), wide->font().pointSizeF());
}

void HighResolutionTest::fieldLabelsFitBeforeTheirBoxes_data()
{
    addCaptionedBoxes();
}

void HighResolutionTest::fieldLabelsFitBeforeTheirBoxes()
{
    QFETCH(QString, label);
    QFETCH(QString, box);
    auto* caption = fixture_->window().findChild<QLabel*>(label);
    auto* entry = fixture_->window().findChild<QWidget*>(box);
    QVERIFY(caption && entry);
    QVERIFY2(fits(caption, caption->text(), caption->size()),
             qPrintable(sizes(caption, caption->text(), caption->size())));
    // The label ends before its box begins, so that no box covers the end of a label.
    QVERIFY2(caption->geometry().right() < entry->geometry().left(),
             qPrintable(QStringLiteral("%1 reaches x %2, its box starts at %3")
                            .arg(label)
                            .arg(caption->geometry().right())
                            .arg(entry->geometry().left())));
}

void HighResolutionTest::entryBoxesAreTallEnoughForTheirText()
{
    Form1x& window = fixture_->window();
    for (TextBox* box : {window.TxtNick, window.TxtAdName, window.TxtAdFname, window.TxtAdAdd,
                         window.TxtAdPhon, window.Txtprefx, window.TxtCode}) {
        // One pixel of border above and below; the rest is for the text.
        const QSize room(box->width() - 6, box->height() - 2);
        const QString sample = QStringLiteral("Wg"); // a tall capital and a descender
        QVERIFY2(fits(box, sample, room), qPrintable(sizes(box, sample, room)));
    }
}

void HighResolutionTest::everyTabCaptionFits()
{
    TabStrip* tabs = fixture_->window().TabStrip1;
    QCOMPARE(tabs->count(), 27);
    for (int i = 0; i < tabs->count(); ++i) {
        const QRect tab = tabs->tabRect(i);
        // A one-pixel border on either side.
        const QSize room(tab.width() - 2, tab.height());
        QVERIFY2(fits(tabs, tabs->tabText(i), room),
                 qPrintable(sizes(tabs, tabs->tabText(i), room)));
        QVERIFY2(tab.left() >= 0 && tab.right() < tabs->width() && tab.bottom() < tabs->height(),
                 qPrintable(QStringLiteral("tab %1 is not wholly inside the strip").arg(i)));
    }
}

void HighResolutionTest::theCreditLineFitsItsLabel()
{
    Form1x& window = fixture_->window();
    // The mouse passes over the label (sent straight to it: QTest's synthetic moves do not
    // always arrive on a scaled screen).
    const QPointF middle = QRectF(window.Label1->rect()).center();
    QMouseEvent move(QEvent::MouseMove, middle, window.Label1->mapToGlobal(middle), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window.Label1, &move);
    QVERIFY(!window.Label1->text().isEmpty());
    // Wrapped to its width, the line needs no more height than the label has.
    QVERIFY2(window.Label1->heightForWidth(window.Label1->width()) <= window.Label1->height(),
             qPrintable(QStringLiteral("needs %1 pixels, has %2")
                            .arg(window.Label1->heightForWidth(window.Label1->width()))
                            .arg(window.Label1->height())));
}

void HighResolutionTest::theIconComesInEverySizeTheScreenNeeds_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 32, 48, 64, 128, 256})
        QTest::addRow("%d", size) << size;
}

void HighResolutionTest::theIconComesInEverySizeTheScreenNeeds()
{
    QFETCH(int, size);
    QTRY_VERIFY(fixture_->window().windowIcon().availableSizes().contains(QSize(size, size)));
    const QIcon icon = fixture_->window().windowIcon();

    // Drawn at this size on this screen, the icon is exactly the image made for the pixels
    // it covers (a 32-pixel icon at scale 2 is the 64-pixel image), never a smaller one blown up.
    const qreal scale = fixture_->window().devicePixelRatio();
    const int pixels = qRound(size * scale);
    if (pixels > 256)
        return; // no image is larger than 256; the desktop takes the SVG there
    QImage drawn = icon.pixmap(QSize(size, size), scale).toImage();
    drawn.setDevicePixelRatio(1.0); // compared pixel for pixel
    const QImage made = QImage(QStringLiteral(":/icons/zarvoth-%1.png").arg(pixels));
    if (made.isNull()) {
        // No image of exactly that many pixels (96 at scale 2): a larger one is scaled down.
        QCOMPARE(drawn.size(), QSize(pixels, pixels));
        return;
    }
    QCOMPARE(drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied),
             made.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

QTEST_MAIN(HighResolutionTest)
#include "tst_high_resolution.moc"
