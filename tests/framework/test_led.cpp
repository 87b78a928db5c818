// The status LED: value handling, repainting, size hint and its painting.
#include "ov9174fp_led.h"

#include <QApplication>
#include <QPainter>
#include <QtTest>

namespace {
// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

QFont fontOfPixelSize(int px)
{
    QFont f = QApplication::font();
    f.setPixelSize(px);
    return f;
}

struct LedGeometry {
    int h;
    int x0;
};

LedGeometry geometryOf(const ov9174fp_led &led)
{
    const int h = QFontMetrics(led.font()).height();
    return {h, ((led.width() - led.minimumSizeHint().width()) >> 1) + 2};
}

// First pixel that differs from `background` walking from `from` to `to`.
QColor firstNonBackground(const QImage &img, QPointF from, QPointF to, const QColor &background)
{
    const int steps = 64;
    for (int i = 0; i <= steps; ++i) {
        const QPointF p = from + (to - from) * (double(i) / steps);
        const QColor c = img.pixelColor(p.toPoint());
        if (c != background)
            return c;
    }
    return background;
}
} // namespace

class TestLed : public QObject
{
    Q_OBJECT

private slots:
    void construction();
    void minimumSizeHintFollowsFontAndCaption();
    void setValueRepaintsOnlyOnChange();
    void setOnColourRepaintsOnlyWhenLit();
    void toggleValue();
    void onlyMetaMethodIsToggleValue();
    void paintsShadedLamp();
    void smallFontGivesFlatDisc();
};

void TestLed::construction()
{
    ov9174fp_led blend(QStringLiteral("Active"), Qt::green, Qt::magenta);
    QCOMPARE(blend.value(), 0);
    QCOMPARE(blend.caption(), QStringLiteral("Active"));
    QCOMPARE(blend.onColour(), QColor(Qt::green));
    QCOMPARE(blend.offColour(), blend.palette().color(QPalette::Window));
    QCOMPARE(blend.sizePolicy().horizontalPolicy(), QSizePolicy::Maximum);
    QCOMPARE(blend.sizePolicy().verticalPolicy(), QSizePolicy::Maximum);

    ov9174fp_led plain(QStringLiteral("PGA"), Qt::red, Qt::darkGray);
    QCOMPARE(plain.offColour(), QColor(Qt::darkGray));
}

void TestLed::minimumSizeHintFollowsFontAndCaption()
{
    for (int px : {8, 13, 24}) {
        ov9174fp_led led(QStringLiteral("Excitation"), Qt::green, Qt::red);
        led.setFont(fontOfPixelSize(px));
        const QFontMetrics fm(led.font());
        const int h = fm.height();
        QCOMPARE(led.minimumSizeHint(),
                 QSize(h + 1 + fm.horizontalAdvance(QStringLiteral("Excitation")) + (h + 1) / 2, h + 2));
    }
    ov9174fp_led empty(QString(), Qt::green, Qt::red);
    const int h = empty.fontMetrics().height();
    QCOMPARE(empty.minimumSizeHint(), QSize(h + 1 + (h + 1) / 2, h + 2));
}

void TestLed::setValueRepaintsOnlyOnChange()
{
    ov9174fp_led led(QStringLiteral("Active"), Qt::green, Qt::magenta);
    led.show();
    QVERIFY(QTest::qWaitForWindowExposed(&led));
    QApplication::processEvents();
    PaintCounter paints(&led);

    led.setValue(1);
    QCOMPARE(paints.count, 1); // at once, not deferred
    led.setValue(1);
    QCOMPARE(paints.count, 1);
    led.setValue(5); // differs, though it looks the same
    QCOMPARE(led.value(), 5);
    QCOMPARE(paints.count, 2);
    led.setValue(0);
    QCOMPARE(paints.count, 3);
    QCOMPARE(led.value(), 0);
}

void TestLed::setOnColourRepaintsOnlyWhenLit()
{
    ov9174fp_led led(QStringLiteral("Active"), Qt::green, Qt::magenta);
    led.show();
    QVERIFY(QTest::qWaitForWindowExposed(&led));
    QApplication::processEvents();
    PaintCounter paints(&led);

    led.setOnColour(Qt::yellow);
    QCOMPARE(led.onColour(), QColor(Qt::yellow));
    QCOMPARE(paints.count, 0);
    led.setValue(1);
    led.setOnColour(Qt::red);
    QCOMPARE(paints.count, 2);
}

void TestLed::toggleValue()
{
    ov9174fp_led led(QStringLiteral("Active"), Qt::green, Qt::magenta);
    led.show();
    QVERIFY(QTest::qWaitForWindowExposed(&led));
    QApplication::processEvents();
    PaintCounter paints(&led);
    led.toggleValue();
    QCOMPARE(led.value(), 1);
    led.setValue(7);
    led.toggleValue();
    QCOMPARE(led.value(), 0);
    QCOMPARE(paints.count, 3);
}

void TestLed::onlyMetaMethodIsToggleValue()
{
    const QMetaObject &mo = ov9174fp_led::staticMetaObject;
    QCOMPARE(mo.methodCount() - mo.methodOffset(), 1);
    QCOMPARE(mo.method(mo.methodOffset()).methodSignature(), QByteArray("toggleValue()"));
}

void TestLed::paintsShadedLamp()
{
    ov9174fp_led led(QStringLiteral("Active"), Qt::green, Qt::magenta);
    led.setFont(fontOfPixelSize(24));
    led.resize(led.minimumSizeHint().width() + 40, led.minimumSizeHint().height());
    const QColor background = led.palette().color(QPalette::Window);
    const LedGeometry g = geometryOf(led);
    QVERIFY(g.h >= 10);
    QCOMPARE(g.x0, 22); // centred as a unit: (40 >> 1) + 2
    const QPointF centre(g.x0 + g.h / 2.0, g.h / 2.0);

    // Off with a magenta off colour: the lamp is the window colour.
    QImage off = led.grab().toImage();
    QCOMPARE(off.pixelColor(centre.toPoint()), background);

    led.setValue(1);
    QImage on = led.grab().toImage();
    QCOMPARE(on.pixelColor(centre.toPoint()), QColor(Qt::green));

    // Upper-left rim lighter, lower-right rim darker than the background.
    const QColor upperLeft = firstNonBackground(on, QPointF(g.x0, 0), centre, background);
    const QColor lowerRight = firstNonBackground(on, QPointF(g.x0 + g.h - 1, g.h - 1), centre, background);
    QVERIFY2(upperLeft.lightness() > background.lightness(), qPrintable(upperLeft.name()));
    QVERIFY2(lowerRight.lightness() < background.lightness(), qPrintable(lowerRight.name()));

    // The caption is drawn to the right of the lamp.
    bool captionInk = false;
    for (int x = g.x0 + g.h + g.h / 2; x < led.width() && !captionInk; ++x)
        for (int y = 0; y < g.h && !captionInk; ++y)
            captionInk = on.pixelColor(x, y) != background;
    QVERIFY(captionInk);
}

void TestLed::smallFontGivesFlatDisc()
{
    ov9174fp_led led(QStringLiteral("I"), Qt::green, Qt::red);
    int px = 9;
    led.setFont(fontOfPixelSize(px));
    while (QFontMetrics(led.font()).height() >= 10 && px > 4)
        led.setFont(fontOfPixelSize(--px));
    led.resize(led.minimumSizeHint());
    const LedGeometry g = geometryOf(led);
    QVERIFY(g.h < 10);
    const QColor background = led.palette().color(QPalette::Window);
    const QImage img = led.grab().toImage();
    const QPointF centre(g.x0 + g.h / 2.0, g.h / 2.0);
    QCOMPARE(img.pixelColor(centre.toPoint()), QColor(Qt::red));
    // No light rim: the disc's outline is the default pen, not a shade of the background.
    const QColor upperLeft = firstNonBackground(img, QPointF(g.x0, 0), centre, background);
    QVERIFY2(upperLeft.lightness() <= background.lightness(), qPrintable(upperLeft.name()));
}

QTEST_MAIN(TestLed)
#include "test_led.moc"
