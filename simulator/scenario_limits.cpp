#include "scenario_limits.h"

#include "ov7931.h"
#include "physics.h"

#include <sstream>

namespace ovsim {
namespace detail {
namespace {

// The range of the Callendar-Van Dusen relation of a platinum RTD.
constexpr double kRtdLowest = -200.0;
constexpr double kRtdHighest = 850.0;

std::string number(double v)
{
    std::ostringstream o;
    o.imbue(std::locale::classic());
    o << v;
    return o.str();
}

bool isRtd(SensorKind kind)
{
    return kind == SensorKind::PT100 || kind == SensorKind::PT500 || kind == SensorKind::PT1000;
}

// The deviation of one current: the current must go on flowing, and it must exist.
std::string deviationReason(const Card7931 &card, int channelNumber, int code, double deviation, const char *which)
{
    const double nominal = nominalCurrent(card, channelNumber, code);
    if (nominal == 0.0)
        return std::string("the 7931-") + card.subType + " has no " + which + " excitation current";
    if (nominal + deviation <= 0.0)
        return std::string("a ") + which + " deviation of " + number(deviation) + " A leaves no current (nominal " +
               number(nominal) + " A)";
    return std::string();
}

} // namespace

LimitViolation physicalLimitViolation(const YAML::Node &node, const ConditioningChannel &channel,
                                      const Card7931 &card, int channelNumber)
{
    const Sensor &s = channel.sensor;
    if (isRtd(s.kind) && (s.temperature < kRtdLowest || s.temperature > kRtdHighest))
        return {"temperature", "temperature " + number(s.temperature) +
                                   " °C is outside a platinum RTD's range (-200 to 850 °C)"};
    if (node["noise"] && s.noise < 0.0)
        return {"noise", "noise (a standard deviation) must not be negative"};
    if (s.frequency < 0.0)
        return {"frequency", "frequency must not be negative"};
    if (!channel.deviationSet)
        return {};
    if (node["primary_deviation"]) {
        const int primary = excitationOffered(card.subType, ov7931_EXC_500UA) ? ov7931_EXC_500UA : ov7931_EXC_100UA;
        std::string why = deviationReason(card, channelNumber, primary, channel.primaryDeviation, "primary");
        if (!why.empty())
            return {"primary_deviation", why};
    }
    if (node["secondary_deviation"]) {
        std::string why =
            deviationReason(card, channelNumber, ov7931_EXC_SECONDARY, channel.secondaryDeviation, "secondary");
        if (!why.empty())
            return {"secondary_deviation", why};
    }
    return {};
}

} // namespace detail
} // namespace ovsim
