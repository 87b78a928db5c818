#include "ov7931Demo_wireRules.h"

QString wireName(int wire)
{
    static const char *const names[4] = {"Current + Wire ", "Current - Wire ", "Signal + Wire ", "Signal - Wire "};
    return wire >= 0 && wire < 4 ? QLatin1String(names[wire]) : QString();
}

bool wireSkipped(int mode, int wire) { return (mode == 2 && wire == 2) || (mode == 3 && (wire == 2 || wire == 3)); }

QString verdictText(int code)
{
    switch (code) {
    case WireBroken:
        return QStringLiteral("Broken");
    case WireOk:
        return QStringLiteral("Ok");
    case WireStatusUnknown:
        return QStringLiteral("Status Unknown");
    case WireMaybeBroken:
        return QStringLiteral("Maybe Broken, please check");
    default:
        return QString();
    }
}

bool showsLoadLimitNote(const std::array<int, 4> &r, const QString &subType, int mode)
{
    if (wireSkipped(mode, 2))
        return false;
    const bool testsLoads = subType == QLatin1String("7931-BB") || subType == QLatin1String("7931-BE") ||
                            subType == QLatin1String("7931-DE");
    return testsLoads && r[2] == WireBroken && r[0] == WireOk && r[1] == WireOk && r[3] == WireOk;
}

QString wireLine(int mode, int wire, int code)
{
    return wireSkipped(mode, wire) ? QString() : wireName(wire) + verdictText(code);
}
