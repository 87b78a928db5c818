// Physical limits of the values a scenario gives a conditioning-card
// channel: what no real sensor or card could show (a PT-100 at 9999 °C, a
// negative noise, an excitation current driven to zero or below by its
// deviation, a deviation of a current the sub-type does not have) is
// refused with the key that holds it, so that the reader can name the line.
#ifndef OVSIM_SCENARIO_LIMITS_H
#define OVSIM_SCENARIO_LIMITS_H

#include "model.h"

#include <yaml-cpp/yaml.h>

#include <string>

namespace ovsim {
namespace detail {

struct LimitViolation {
    std::string key;    // the channel's key that holds the value
    std::string reason; // empty when every value is possible
};

// `node` is the channel's mapping as written, `channel` what was read from
// it, on `card` (whose sub-type is known) as channel number 1..16.
LimitViolation physicalLimitViolation(const YAML::Node &node, const ConditioningChannel &channel,
                                      const Card7931 &card, int channelNumber);

} // namespace detail
} // namespace ovsim

#endif
