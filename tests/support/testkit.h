// Helpers shared by the panel's tests: simulated systems, the call journal
// and the drivers' own texts.
#ifndef OV_TEST_TESTKIT_H
#define OV_TEST_TESTKIT_H

#include "visa.h"

#include <QStringList>

namespace testkit {

// A VXI mainframe "VXI0::1::INSTR" (slot 5, 8263 at FC 1 and 3, a 7931 at
// FC 2), an LXI box "lxi-a.example" at 192.168.10.1 (8263 at FC 2, an
// unknown card at FC 4), an LXI box at 192.168.2.60 holding a 7931 only, a
// GPIB instrument that is no carrier and a serial resource that refuses to open.
extern const char *const severalCards;
// One LXI box at 192.168.10.1, host "lxi-7.example", device "inst3", with an 8263 at FC 3.
extern const char *const oneLxiCard;

// Resets the simulated instrument and loads a scenario (the default one
// when empty); prints the reason and returns false when it is refused.
bool loadScenario(const QString &yaml);
// The default scenario with fromTo[0] replaced by fromTo[1], fromTo[2] by fromTo[3], ...
QString defaultScenarioWith(const QStringList &fromTo);
// The journal's function names (or whole calls with their arguments), from
// the first call of `from` on when given.
QStringList journalNames(const QString &from = QString(), bool withArguments = false);
// What a driver says for a status (this makes a journal entry).
QString driverText(bool digitizer, ViSession vi, ViStatus status);
// The text of the error box for a failed call.
QString errorBoxText(const QString &callText, const QString &driverText);

} // namespace testkit

#endif
