#include "testkit.h"

#include "ov7931.h"
#include "ov8263.h"
#include "ovsim_control.h"

#include <cstdio>

const char *const testkit::severalCards = R"yaml(
version: 1
devices:
  mf: {interface: vxi, board: 0, carrier_model: 2600, slot: 5, logical_address: 1, positions: 4,
       cards: [{position: 1, model: 0x8263}, {position: 2, model: 0x7931}, {position: 3, model: 0x8263}]}
  boxA: {interface: lxi, carrier_model: 5000, host: lxi-a.example, device_name: inst0, positions: 4,
         cards: [{position: 2, model: 0x8263}, {position: 4, model: 0x1234}]}
  boxB: {interface: lxi, carrier_model: 5001, host: 192.168.2.60, positions: 2, cards: [{position: 1, model: 0x7931}]}
resources:
  - {name: "VXI0::1::INSTR", device: mf}
  - {name: "TCPIP0::192.168.10.1::INSTR", device: boxA}
  - {name: "TCPIP0::192.168.2.60::INSTR", device: boxB}
  - {name: "GPIB0::7::INSTR"}
  - {name: "ASRL1::INSTR", refuse: busy}
)yaml";

const char *const testkit::oneLxiCard = R"yaml(
version: 1
devices:
  box: {interface: lxi, carrier_model: 5000, host: lxi-7.example, device_name: inst3, positions: 4,
        cards: [{position: 3, model: 0x8263}, {position: 4, model: 0x7931}]}
resources:
  - {name: "TCPIP0::192.168.10.1::INSTR", device: box}
)yaml";

bool testkit::loadScenario(const QString &yaml)
{
    ovsim::reset();
    std::string error;
    if (yaml.isEmpty() || ovsim::loadScenarioText(yaml.toStdString(), &error))
        return true;
    std::fprintf(stderr, "scenario: %s\n", error.c_str());
    return false;
}

QString testkit::defaultScenarioWith(const QStringList &fromTo)
{
    QString text = QString::fromStdString(ovsim::defaultScenarioText());
    for (int i = 0; i + 1 < fromTo.size(); i += 2) {
        if (!text.contains(fromTo[i]))
            qFatal("scenario text not found: %s", qPrintable(fromTo[i]));
        text.replace(fromTo[i], fromTo[i + 1]);
    }
    return text;
}

QStringList testkit::journalNames(const QString &from, bool withArguments)
{
    QStringList names;
    for (const ovsim::Call &c : ovsim::journal())
        if (!names.isEmpty() || from.isEmpty() || QString::fromStdString(c.function) == from)
            names << QString::fromStdString(withArguments ? c.text() : c.function);
    return names;
}

QString testkit::driverText(bool digitizer, ViSession vi, ViStatus status)
{
    ViChar buffer[1024] = {0};
    digitizer ? ov8263_error_message(vi, status, buffer) : ov7931_error_message(vi, status, buffer);
    return QString::fromLatin1(buffer);
}

QString testkit::errorBoxText(const QString &callText, const QString &driverText)
{
    return callText + QStringLiteral(" failed due to [") + driverText + QStringLiteral("]\nDo you want to exit?");
}
