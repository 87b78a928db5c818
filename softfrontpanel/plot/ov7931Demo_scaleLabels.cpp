#include "ov7931Demo_scaleLabels.h"

#include <QFont>
#include <QGuiApplication>
#include <QHash>
#include <QPair>
#include <QScreen>

#include <qwt_scale_div.h>
#include <qwt_text.h>
#include <qwt_text_engine.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int maxDecimals = 15;

// True when the step is at least half a unit of 10^-decimals and every value
// is a whole number of those units (up to the rounding of doubles).
bool representable(const QList<double> &values, int decimals, double step)
{
    const double scale = std::pow(10.0, decimals);
    const double stepUnits = step * scale;
    if (stepUnits < 0.5)
        return false;
    for (double v : values) {
        const double units = v * scale;
        if (std::fabs(units - std::round(units)) > std::max(1e-6 * stepUnits, std::fabs(units) * 1e-13))
            return false;
    }
    return true;
}

QString withoutTrailingZeros(QString text, const QLocale &locale)
{
    const QChar point = locale.decimalPoint();
    const QChar exponent = locale.exponential();
    int end = text.indexOf(exponent, 0, Qt::CaseInsensitive);
    const QString tail = end < 0 ? QString() : text.mid(end);
    if (end < 0)
        end = text.size();
    QString mantissa = text.left(end);
    if (mantissa.contains(point)) {
        while (mantissa.endsWith(QLatin1Char('0')))
            mantissa.chop(1);
        if (mantissa.endsWith(point))
            mantissa.chop(1);
    }
    return mantissa + tail;
}

bool allDifferent(const QList<double> &ticks, const TickLabelFormat &format, const QLocale &locale, int *longest)
{
    QStringList labels;
    *longest = 0;
    for (double t : ticks) {
        const QString label = tickLabel(t, format, locale);
        *longest = std::max(*longest, static_cast<int>(label.size()));
        if (labels.contains(label))
            return false;
        labels << label;
    }
    return true;
}

} // namespace

TickLabelFormat tickLabelFormat(const QList<double> &majorTicks, const QLocale &locale)
{
    TickLabelFormat format;
    QList<double> ticks;
    for (double t : majorTicks)
        if (std::isfinite(t))
            ticks << t;
    std::sort(ticks.begin(), ticks.end());
    double step = 0.0;
    for (int i = 1; i < ticks.size(); ++i) {
        const double d = ticks[i] - ticks[i - 1];
        if (d > 0.0 && (step == 0.0 || d < step))
            step = d;
    }
    if (!(step > 0.0))
        return format; // plain
    // The difference of two large ticks carries their rounding: the step is
    // a number of two significant digits (Qwt's steps are 1, 2, 2.5 and 5
    // times a power of ten).
    const double power = std::pow(10.0, std::floor(std::log10(step)));
    step = std::round(step / power * 10.0) / 10.0 * power;
    format.plain = false;
    format.step = step;

    // Fixed: the decimals of the step, and of the ticks themselves.
    int decimals = 0;
    while (decimals < maxDecimals && !representable({step}, decimals, step))
        ++decimals;
    while (decimals < maxDecimals && !representable(ticks, decimals, step))
        ++decimals;
    format.decimals = decimals;
    int longest = 0;
    if (allDifferent(ticks, format, locale, &longest) && longest <= tickLabelMaxFixedLength)
        return format;

    // Exponent form, where it is the shorter: the mantissa keeps the digits
    // down to the step's.
    const TickLabelFormat fixed = format;
    const int fixedLength = longest;
    double largest = 0.0;
    for (double t : ticks)
        largest = std::max(largest, std::fabs(t));
    const int topExponent = largest > 0.0 ? static_cast<int>(std::floor(std::log10(largest))) : 0;
    format.exponent = true;
    format.decimals = std::max(0, std::min(maxDecimals, topExponent + decimals));
    while (format.decimals < maxDecimals && !allDifferent(ticks, format, locale, &longest))
        ++format.decimals;
    return longest < fixedLength ? format : fixed;
}

QString tickLabel(double value, const TickLabelFormat &format, const QLocale &locale)
{
    if (format.plain)
        return locale.toString(value);
    if (std::fabs(value) <= format.step * 1e-9)
        return locale.toString(0); // not "-0" or "0e+00" for a zero tick computed as -1e-17
    const QString text = locale.toString(value, format.exponent ? 'e' : 'f', format.decimals);
    return withoutTrailingZeros(text, locale);
}

namespace {

// Qwt's plain text engine, keeping what it measured. A replot asks the size
// and the margins of each axis's outer labels, the same few texts in the
// same font every time; the plain engine lays the text out and writes the
// font's description out anew for each answer. The answers are kept for
// the font and the screen's resolution they were measured with.
class KeptSizesEngine : public QwtPlainTextEngine
{
public:
    QSizeF textSize(const QFont &font, int flags, const QString &text) const override
    {
        Measured &m = measured(font);
        const auto key = qMakePair(flags, text);
        const auto it = m.sizes.constFind(key);
        if (it != m.sizes.constEnd())
            return *it;
        if (m.sizes.size() >= keptTexts)
            m.sizes.clear();
        const QSizeF size = QwtPlainTextEngine::textSize(font, flags, text);
        m.sizes.insert(key, size);
        return size;
    }

    // The plain engine's margins depend on the font alone.
    void textMargins(const QFont &font, const QString &text, double &left, double &right, double &top,
                     double &bottom) const override
    {
        Measured &m = measured(font);
        if (!m.hasMargins) {
            QwtPlainTextEngine::textMargins(font, text, m.margins[0], m.margins[1], m.margins[2], m.margins[3]);
            m.hasMargins = true;
        }
        left = m.margins[0];
        right = m.margins[1];
        top = m.margins[2];
        bottom = m.margins[3];
    }

private:
    static constexpr int keptTexts = 256;
    static constexpr size_t keptFonts = 4;

    struct Measured {
        QFont font;
        qreal dpi = 0;
        QHash<QPair<int, QString>, QSizeF> sizes;
        double margins[4] = {};
        bool hasMargins = false;
    };

    Measured &measured(const QFont &font) const
    {
        const QScreen *screen = QGuiApplication::primaryScreen();
        const qreal dpi = screen ? screen->logicalDotsPerInchY() : 0;
        for (Measured &m : m_fonts)
            if (m.dpi == dpi && m.font == font)
                return m;
        if (m_fonts.size() >= keptFonts)
            m_fonts.erase(m_fonts.begin());
        m_fonts.push_back(Measured{font, dpi, {}, {}, false});
        return m_fonts.back();
    }

    mutable std::vector<Measured> m_fonts;
};

// The labels' text format: plain text measured by KeptSizesEngine.
QwtText::TextFormat keptSizesFormat()
{
    static const QwtText::TextFormat format = [] {
        const auto f = QwtText::TextFormat(QwtText::OtherFormat + 1);
        QwtText::setTextEngine(f, new KeptSizesEngine);
        return f;
    }();
    return format;
}

} // namespace

QwtText ov7931Demo_ScaleDraw::label(double value) const
{
    const QList<double> ticks = scaleDiv().ticks(QwtScaleDiv::MajorTick);
    if (ticks != formatTicks) {
        formatTicks = ticks;
        format = ::tickLabelFormat(ticks);
    }
    return QwtText(::tickLabel(value, format), keptSizesFormat());
}
