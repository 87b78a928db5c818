// The status LED: repainting, size hint, off colour, shaded lamp or flat disc.
#include "ov9174fp_led.h"

#include <QApplication>
#include <QtTest>

namespace {
// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject *, QEvent *e) override { return count += e->type() == QEvent::Paint, false; }
};

QFont pixelFont(int px)
{
    QFont f = QApplication::font();
    f.setPixelSize(px);
    return f;
}
} // namespace

class TestLed : public QObject
{
    Q_OBJECT

private slots:
    void repaintsOnlyOnChange()
    {
        ov9174fp_led led(QStringLiteral("Active"), Qt::green, Qt::magenta);
        led.show();
        QVERIFY(QTest::qWaitForWindowExposed(&led));
        QApplication::processEvents();
        PaintCounter paints;
        led.installEventFilter(&paints);
        QString seen;
        // Each step: what to do, then the value and the paint count (painted at once, not deferred).
        const auto step = [&](const std::function<void()> &what) {
            what(), seen += QStringLiteral("%1/%2 ").arg(led.value()).arg(paints.count);
        };
        step([&] { led.setOnColour(Qt::yellow); }); // unlit: no repaint
        step([&] { led.setValue(1); });
        step([&] { led.setValue(1); });
        step([&] { led.setValue(5); }); // differs, though it looks the same
        step([&] { led.setOnColour(Qt::red); }); // lit: repaint
        step([&] { led.toggleValue(); });
        step([&] { led.toggleValue(); });
        QCOMPARE(seen, QStringLiteral("0/0 1/1 1/1 5/2 5/3 0/4 1/5 "));
    }

    void sizeHintAndOffColour()
    {
        for (const QString &caption : {QStringLiteral("Excitation"), QString()})
            for (int px : {8, 13, 24}) {
                ov9174fp_led led(caption, Qt::green, Qt::red);
                led.setFont(pixelFont(px));
                const QFontMetrics fm(led.font());
                const int h = fm.height();
                QCOMPARE(led.minimumSizeHint(), QSize(h + 1 + fm.horizontalAdvance(caption) + (h + 1) / 2, h + 2));
            }
        // Magenta as off colour means the window's own colour.
        ov9174fp_led blend(QStringLiteral("Active"), Qt::green, Qt::magenta);
        QCOMPARE(blend.offColour(), blend.palette().color(QPalette::Window));
        QCOMPARE(ov9174fp_led(QStringLiteral("PGA"), Qt::red, Qt::darkGray).offColour(), QColor(Qt::darkGray));
    }

    void shadedLampOrFlatDisc_data()
    {
        QTest::addColumn<int>("px");
        QTest::newRow("large font: shaded") << 24;
        QTest::newRow("small font: flat disc") << 7;
    }

    void shadedLampOrFlatDisc()
    {
        QFETCH(int, px);
        ov9174fp_led led(QStringLiteral("I"), Qt::green, Qt::magenta);
        led.setFont(pixelFont(px));
        led.resize(led.minimumSizeHint());
        led.setValue(1);
        const int h = QFontMetrics(led.font()).height();
        QCOMPARE(h < 10, px < 10);
        const QImage img = led.grab().toImage();
        const QColor background = led.palette().color(QPalette::Window);
        const QPointF centre(2 + h / 2.0, h / 2.0);
        QCOMPARE(img.pixelColor(centre.toPoint()), QColor(Qt::green));
        // The first pixel off the background from the upper-left towards the
        // centre: a lighter rim on a shaded lamp, the plain outline on a flat disc.
        QColor rim = background;
        for (int i = 0; i <= 64 && rim == background; ++i)
            rim = img.pixelColor((QPointF(2, 0) + (centre - QPointF(2, 0)) * (i / 64.0)).toPoint());
        QCOMPARE(rim.lightness() > background.lightness(), h >= 10);
    }
};

QTEST_MAIN(TestLed)
#include "test_led.moc"
