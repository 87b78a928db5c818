// The splash picture: where its texts go, the fonts, the size check of the
// card picture with its console line, and the picture built on the resources.
#include "ov7931_fc.h"
#include "ov7931fp_splash.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

#include <cstdio>

namespace {
QByteArray consoleText(FILE *f)
{
    std::fflush(f);
    std::rewind(f);
    QByteArray out;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        out.append(buffer, int(n));
    return out;
}
} // namespace

class TestSplash : public QObject
{
    Q_OBJECT

private slots:
    void layoutOfTheTexts()
    {
        // Scale 1.0 and inset 20: the three texts are 413 pixels wide from x = 87.
        const SplashLayout l = splashLayout(20, 26, 13);
        for (const QRect &r : {l.title, l.description, l.copyright}) {
            QCOMPARE(r.x(), 87);
            QCOMPARE(r.width(), 413);
        }
        QCOMPARE(l.title.y(), 236 + 13);
        QCOMPARE(l.title.height(), 26);
        QCOMPARE(l.description.y(), 236 + 52);
        QCOMPARE(l.description.height(), 2 * (82 - 26) - 3 * 13);
        QCOMPARE(l.copyright.y(), 2 * (200 - 13));
        QCOMPARE(l.copyright.height(), 13);

        // Integer halves of an odd title height; no inset.
        const SplashLayout m = splashLayout(0, 27, 14);
        QCOMPARE(m.title.x(), 67);
        QCOMPARE(m.title.width(), 453);
        QCOMPARE(m.title.y(), 236 + 13);
        QCOMPARE(m.copyright.y(), 372);
        // Everything stays on the 520 x 400 background.
        QVERIFY(QRect(0, 0, 520, 400).contains(l.copyright));
        QVERIFY(l.title.bottom() < l.description.top());
        QVERIFY(l.description.bottom() < l.copyright.top());
    }

    void fontsAndTexts()
    {
        QCOMPARE(splashTitlePixelSize(1.0f), 22);
        QCOMPARE(splashDescriptionPixelSize(1.0f), 15);
        QCOMPARE(splashTitlePixelSize(1.5f), 33);
        QCOMPARE(splashDescriptionPixelSize(1.5f), 22); // 22.5 truncated
        QCOMPARE(splashTitle(), QStringLiteral("Keltri 7931"));
        QCOMPARE(splashDescription(QStringLiteral("16-Channel Signal Conditioning Unit")),
                 QStringLiteral("16-Channel Signal Conditioning Unit"));
        QCOMPARE(splashDescription(QStringLiteral("Digitizer Function Card for a Function Card carrier")),
                 QStringLiteral("Digitizer FC for a FC carrier"));
        QCOMPARE(splashDescription(QStringLiteral("Function Card")), QStringLiteral("Function Card"));
    }

    void cardPictureOfTheRightSize()
    {
        QPixmap background(520, 400);
        background.fill(Qt::white);
        QImage device(452, 194, QImage::Format_RGB32);
        device.fill(Qt::red);
        FILE *console = std::tmpfile();
        QVERIFY(console);
        const QImage out = buildSplashPixmap(background, device, QStringLiteral("Text"), QStringLiteral("(c)"), 1.0f,
                                             20, console)
                               .toImage();
        QCOMPARE(consoleText(console), QByteArray());
        std::fclose(console);
        QCOMPARE(out.size(), QSize(520, 400));
        QCOMPARE(out.pixelColor(67, 43), QColor(Qt::red));
        QCOMPARE(out.pixelColor(67 + 451, 43 + 193), QColor(Qt::red));
        QCOMPARE(out.pixelColor(66, 43), QColor(Qt::white));
        QCOMPARE(out.pixelColor(67, 42), QColor(Qt::white));
        // The background itself is not changed.
        QCOMPARE(background.toImage().pixelColor(100, 100), QColor(Qt::white));
    }

    void cardPictureOfAnotherSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("smaller") << QSize(451, 194);
        QTest::newRow("larger") << QSize(452, 195);
        QTest::newRow("missing") << QSize();
    }

    void cardPictureOfAnotherSize()
    {
        QFETCH(QSize, size);
        QPixmap background(520, 400);
        background.fill(Qt::white);
        QImage device;
        if (size.isValid()) {
            device = QImage(size, QImage::Format_RGB32);
            device.fill(Qt::red);
        }
        FILE *console = std::tmpfile();
        QVERIFY(console);
        const QImage out =
            buildSplashPixmap(background, device, QStringLiteral("Text"), QString(), 1.0f, 20, console).toImage();
        QCOMPARE(consoleText(console), QByteArray("The size of the image of the device, that is to be used in the "
                                                  "splash screen, is not as required!!!\n"));
        std::fclose(console);
        QCOMPARE(out.pixelColor(100, 100), QColor(Qt::white));
        QCOMPARE(out.pixelColor(300, 60), QColor(Qt::white));
    }

    void textsAreDrawnInTheirRectangles()
    {
        QPixmap background(520, 400);
        background.fill(Qt::white);
        const QImage out =
            buildSplashPixmap(background, QImage(), QStringLiteral("16-Channel Signal Conditioning Unit"),
                              QStringLiteral("Copyright (c) Orvane. All rights reserved."), 1.0f, 20, nullptr)
                .toImage();
        // Ink only inside x = 87 .. 499 below the card picture.
        int inkLeft = 520, inkRight = -1, inkTop = 400;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 520; ++x)
                if (out.pixelColor(x, y) != QColor(Qt::white)) {
                    inkLeft = qMin(inkLeft, x);
                    inkRight = qMax(inkRight, x);
                    inkTop = qMin(inkTop, y);
                }
        QVERIFY(inkRight >= 0);
        QVERIFY2(inkLeft >= 87 && inkRight <= 499, qPrintable(QStringLiteral("%1..%2").arg(inkLeft).arg(inkRight)));
        QVERIFY2(inkTop >= 236, qPrintable(QString::number(inkTop)));
    }

    void builtOnTheResourcePictures()
    {
        QCOMPARE(QImage(QStringLiteral(":/fp_splash.png")).size(), QSize(520, 400));
        QCOMPARE(QImage(QStringLiteral(":/ov7931fp_splash.png")).size(), splashDeviceImageSize());
        ov7931_fc descriptor;
        const QPixmap splash = buildSplashPixmap(descriptor, 1.0f, 20);
        QCOMPARE(splash.size(), QSize(520, 400));
        const QString dir = qEnvironmentVariable("OV_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            splash.save(dir + QStringLiteral("/splash.png"));
    }
};

QTEST_MAIN(TestSplash)
#include "test_splash.moc"
