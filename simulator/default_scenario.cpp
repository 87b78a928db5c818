// The system the simulator presents when OVSIM_SCENARIO is unset or empty.
// scenarios/default.yaml holds the same text.
#include "ovsim_control.h"

namespace ovsim {

std::string defaultScenarioText()
{
    return R"yaml(# One VXI mainframe: a Keltri 8263 digitizer in function-card position 1 and
# a 7931-BB conditioning card in position 2, with sensors on channels 1 to 4.
version: 1
devices:
  mainframe:
    interface: vxi
    board: 0
    carrier_model: 2600
    slot: 5
    logical_address: 1
    positions: 4
    cards:
      - position: 1
        model: 0x8263
        sub_type: AA
        serial: 0x00012A4F
        revision: "2.4.1.0"
      - position: 2
        model: 0x7931
        sub_type: BB
        serial: 4711
        revision: "1.6.2.0"
        channels:
          1: {sensor: pt100, temperature: 23.5}
          2: {sensor: resistor, resistance: 1000}
          3: {sensor: voltage, dc: 0.5, amplitude: 1.0, frequency: 5}
          4: {sensor: pt100, temperature: 23.5, wires: [intact, broken, intact, intact]}
resources:
  - name: VXI0::1::INSTR
    device: mainframe
)yaml";
}

} // namespace ovsim
