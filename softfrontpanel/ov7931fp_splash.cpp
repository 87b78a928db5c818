#include "ov7931fp_splash.h"

#include "ov9174fp_genFC.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

const char splashWrongImageSizeMessage[] =
    "The size of the image of the device, that is to be used in the splash screen, is not as required!!!\n";

SplashLayout splashLayout(int inset, int h1, int h3)
{
    const int left = inset + 67;
    const int width = 453 - 2 * inset;
    SplashLayout layout;
    layout.title = QRect(left, 236 + h1 / 2, width, h1);
    layout.description = QRect(left, 236 + 2 * h1, width, 2 * (82 - h1) - 3 * h3);
    layout.copyright = QRect(left, 2 * (200 - h3), width, h3);
    return layout;
}

int splashTitlePixelSize(float scale) { return static_cast<int>(22 * scale); }
int splashDescriptionPixelSize(float scale) { return static_cast<int>(15 * scale); }

QString splashTitle() { return QStringLiteral("Keltri %1").arg(0x7931, 4, 16, QLatin1Char(' ')); }

QString splashDescription(const QString &description)
{
    QString text = description;
    text.replace(QStringLiteral(" Function Card"), QStringLiteral(" FC"));
    return text;
}

QSize splashDeviceImageSize() { return QSize(452, 194); }

QPixmap buildSplashPixmap(const QPixmap &background, const QImage &device, const QString &description,
                          const QString &copyright, float scale, int inset, FILE *console)
{
    QPixmap pixmap = background;
    if (pixmap.isNull()) {
        pixmap = QPixmap(520, 400);
        pixmap.fill(Qt::white);
    }
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::TextAntialiasing);

    QFont titleFont = painter.font();
    titleFont.setWeight(75);
    QFont descriptionFont = titleFont;
    QFont copyrightFont = titleFont;
    const int titleSize = splashTitlePixelSize(scale);
    const int descriptionSize = splashDescriptionPixelSize(scale);
    titleFont.setPixelSize(titleSize > 0 ? titleSize : 1);
    descriptionFont.setPixelSize(descriptionSize > 0 ? descriptionSize : 1);
    copyrightFont.setPixelSize(11);
    const int h1 = QFontMetrics(titleFont).height();
    const int h3 = QFontMetrics(copyrightFont).height();
    const SplashLayout layout = splashLayout(inset, h1, h3);

    painter.setFont(titleFont);
    painter.drawText(layout.title, Qt::AlignCenter, splashTitle());
    painter.setFont(descriptionFont);
    painter.drawText(layout.description, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     splashDescription(description));
    painter.setFont(copyrightFont);
    painter.drawText(layout.copyright, Qt::AlignCenter, copyright);

    if (device.size() == splashDeviceImageSize()) {
        painter.drawImage(QPointF(67.0, 43.0), device);
    } else if (console) {
        std::fputs(splashWrongImageSizeMessage, console);
        std::fflush(console);
    }
    return pixmap;
}

QPixmap buildSplashPixmap(const ov9174fp_genFC &descriptor, float scale, int inset)
{
    return buildSplashPixmap(QPixmap(QStringLiteral(":/fp_splash.png")),
                             QImage(QStringLiteral(":/ov7931fp_splash.png")), descriptor.description(),
                             descriptor.copyright(), scale, inset, stdout);
}
