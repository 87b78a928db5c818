// The broken-wire check's rules, without widgets: the wire names, which
// wires a wiring mode leaves out, the verdict texts of the card's result
// codes and when the note about the 40 kilo-ohm test limit applies.
#ifndef OV7931DEMO_WIRERULES_H
#define OV7931DEMO_WIRERULES_H

#include <QString>

#include <array>

// The card's result codes of one wire.
enum WireVerdict { WireBroken = -1, WireOk = 0, WireStatusUnknown = 1, WireMaybeBroken = 2 };

// "Current + Wire ", "Current - Wire ", "Signal + Wire ", "Signal - Wire "
// (each ends with the space that separates it from the verdict).
QString wireName(int wire);
// Whether a wiring mode (ChannelMode code) leaves wire 0..3 untested:
// "3-Wire" has no "Signal +" wire, "2-Wire" no sense wires.
bool wireSkipped(int mode, int wire);
// "Broken", "Ok", "Status Unknown", "Maybe Broken, please check"; empty for
// any other code.
QString verdictText(int code);
// A broken "Signal +" wire with the other three intact may be a load above
// the 40 kilo-ohm the card can test (on 7931-BB, 7931-BE and 7931-DE; only
// where the mode tests that wire).
bool showsLoadLimitNote(const std::array<int, 4> &results, const QString &subType, int mode);
// The whole line shown for a wire, or empty for a skipped wire.
QString wireLine(int mode, int wire, int code);

#endif
