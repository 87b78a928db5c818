// YAML scenario reader. The format is described in README.md beside this file.
#include "scenario.h"

#include "resource_names.h"
#include "scenario_limits.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ovsim {
namespace detail {
namespace {

// An error at a node: carries the line for the message.
struct ScenarioError : std::runtime_error {
    int line; // 1-based, 0 when unknown
    ScenarioError(const YAML::Node &at, const std::string &what)
        : std::runtime_error(what), line(at.IsDefined() && at.Mark().line >= 0 ? at.Mark().line + 1 : 0)
    {
    }
    ScenarioError(int l, const std::string &what) : std::runtime_error(what), line(l) {}
};

std::string scalarText(const YAML::Node &n, const std::string &what)
{
    if (!n.IsScalar())
        throw ScenarioError(n, what + " must be a single value");
    return n.Scalar();
}

// A number is a plain (unquoted) scalar: `version: " 1"` or `serial: "5"` is
// a text, not a number.
std::string numberText(const YAML::Node &n, const std::string &what)
{
    std::string s = scalarText(n, what);
    if (n.Tag() == "!")
        throw ScenarioError(n, what + " must be a number, not the quoted text \"" + s + "\"");
    return s;
}

long long toInteger(const YAML::Node &n, const std::string &what, long long lo, long long hi)
{
    const std::string s = numberText(n, what);
    // Decimal with an optional minus sign, or hexadecimal digits after 0x;
    // a leading zero does not mean octal. Nothing else: no blanks, no plus
    // sign, no sign after 0x.
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    const char *first = s.data() + (hex ? 2 : 0);
    const char *last = s.data() + s.size();
    long long v = 0;
    const bool digitFirst = first != last && (std::isxdigit(static_cast<unsigned char>(*first)) ||
                                              (!hex && *first == '-' && first + 1 != last));
    const std::from_chars_result r = digitFirst ? std::from_chars(first, last, v, hex ? 16 : 10)
                                                : std::from_chars_result{first, std::errc::invalid_argument};
    if (r.ec == std::errc::result_out_of_range)
        throw ScenarioError(n, what + " " + s + " is out of range (" + std::to_string(lo) + " to " +
                                   std::to_string(hi) + ")");
    if (r.ec != std::errc() || r.ptr != last)
        throw ScenarioError(n, what + " must be an integer, not '" + s + "'");
    if (v < lo || v > hi) {
        std::ostringstream o;
        o << what << " " << v << " is out of range (" << lo << " to " << hi << ")";
        throw ScenarioError(n, o.str());
    }
    return v;
}

double toNumber(const YAML::Node &n, const std::string &what)
{
    const std::string s = numberText(n, what);
    // Independent of the process's locale (the panel sets it from the
    // environment, where the decimal sign may be a comma).
    double v = 0;
    const char *last = s.data() + s.size();
    const std::from_chars_result r = std::from_chars(s.data(), last, v);
    if (s.empty() || r.ec != std::errc() || r.ptr != last || !std::isfinite(v))
        throw ScenarioError(n, what + " must be a number, not '" + s + "'");
    return v;
}

bool toBool(const YAML::Node &n, const std::string &what)
{
    std::string s = scalarText(n, what);
    if (s == "true" || s == "yes" || s == "on")
        return true;
    if (s == "false" || s == "no" || s == "off")
        return false;
    throw ScenarioError(n, what + " must be true or false, not '" + s + "'");
}

void requireMap(const YAML::Node &n, const std::string &what)
{
    if (!n.IsMap())
        throw ScenarioError(n, what + " must be a mapping of keys to values");
}

// Rejects keys outside `allowed`, so that a misspelt key is not silently ignored.
void checkKeys(const YAML::Node &n, const std::string &what, const std::set<std::string> &allowed)
{
    for (auto it = n.begin(); it != n.end(); ++it) {
        std::string key = it->first.IsScalar() ? it->first.Scalar() : std::string("?");
        if (!allowed.count(key)) {
            std::string list;
            for (const auto &a : allowed)
                list += (list.empty() ? "" : ", ") + a;
            throw ScenarioError(it->first, "unknown key '" + key + "' in " + what + " (known: " + list + ")");
        }
    }
}

Wire toWire(const YAML::Node &n)
{
    std::string s = scalarText(n, "wire state");
    if (s == "intact" || s == "ok")
        return Wire::Intact;
    if (s == "broken")
        return Wire::Broken;
    if (s == "unknown")
        return Wire::Unknown;
    if (s == "maybe_broken" || s == "maybe-broken")
        return Wire::MaybeBroken;
    throw ScenarioError(n, "unknown wire state '" + s + "' (expected intact, broken, unknown or maybe_broken)");
}

void readChannel(const YAML::Node &n, ConditioningChannel &ch, const std::string &what)
{
    requireMap(n, what);
    checkKeys(n, what,
              {"sensor", "temperature", "resistance", "dc", "amplitude", "frequency", "noise", "wires", "pga_error",
               "primary_deviation", "secondary_deviation"});
    Sensor s;
    if (n["sensor"]) {
        std::string k = scalarText(n["sensor"], "sensor");
        if (k == "none" || k == "open")
            s.kind = SensorKind::None;
        else if (k == "pt100")
            s.kind = SensorKind::PT100;
        else if (k == "pt500")
            s.kind = SensorKind::PT500;
        else if (k == "pt1000")
            s.kind = SensorKind::PT1000;
        else if (k == "resistor")
            s.kind = SensorKind::Resistor;
        else if (k == "voltage")
            s.kind = SensorKind::Voltage;
        else
            throw ScenarioError(n["sensor"], "unknown sensor '" + k +
                                                 "' (expected none, pt100, pt500, pt1000, resistor or voltage)");
    }
    if (n["temperature"])
        s.temperature = toNumber(n["temperature"], "temperature");
    if (n["resistance"]) {
        s.resistance = toNumber(n["resistance"], "resistance");
        if (s.resistance < 0)
            throw ScenarioError(n["resistance"], "resistance must not be negative");
    }
    if (n["dc"])
        s.dcLevel = toNumber(n["dc"], "dc");
    if (n["amplitude"])
        s.amplitude = toNumber(n["amplitude"], "amplitude");
    if (n["frequency"])
        s.frequency = toNumber(n["frequency"], "frequency");
    if (n["noise"])
        s.noise = toNumber(n["noise"], "noise");
    if (s.kind == SensorKind::Resistor && !n["resistance"])
        throw ScenarioError(n, what + ": a resistor needs 'resistance'");
    ch.sensor = s;
    if (const YAML::Node w = n["wires"]) {
        if (w.IsSequence()) {
            if (w.size() != 4)
                throw ScenarioError(w, "'wires' lists exactly four wire states");
            for (int i = 0; i < 4; ++i)
                ch.wires[i] = toWire(w[i]);
        } else if (w.IsMap()) {
            for (auto it = w.begin(); it != w.end(); ++it) {
                int wire = int(toInteger(it->first, "wire number", 1, 4));
                ch.wires[wire - 1] = toWire(it->second);
            }
        } else {
            throw ScenarioError(w, "'wires' must be a list of four states or a mapping of wire number to state");
        }
    }
    if (n["pga_error"])
        ch.pgaError = toBool(n["pga_error"], "pga_error");
    if (n["primary_deviation"] || n["secondary_deviation"]) {
        ch.deviationSet = true;
        if (n["primary_deviation"])
            ch.primaryDeviation = toNumber(n["primary_deviation"], "primary_deviation");
        if (n["secondary_deviation"])
            ch.secondaryDeviation = toNumber(n["secondary_deviation"], "secondary_deviation");
    }
}

void readCard(const YAML::Node &n, Carrier &carrier, std::set<int> &used)
{
    requireMap(n, "a card");
    if (!n["position"])
        throw ScenarioError(n, "a card needs 'position'");
    if (!n["model"])
        throw ScenarioError(n, "a card needs 'model'");
    Card card;
    card.position = int(toInteger(n["position"], "position", 1, carrier.positions));
    if (!used.insert(card.position).second)
        throw ScenarioError(n["position"], "position " + std::to_string(card.position) + " is used twice");
    card.model = uint16_t(toInteger(n["model"], "model", 1, 0xFFFF));
    if (card.model == kModel8263) {
        checkKeys(n, "an 8263 card",
                  {"position", "model", "sub_type", "serial", "revision", "min_frequency", "max_frequency",
                   "fifo_samples", "data"});
        auto d = std::make_unique<Card8263>();
        if (n["sub_type"])
            d->subType = scalarText(n["sub_type"], "sub_type");
        if (n["serial"])
            d->serial = uint32_t(toInteger(n["serial"], "serial", 0, 0xFFFFFFFFll));
        if (n["revision"])
            d->revision = scalarText(n["revision"], "revision");
        if (n["min_frequency"])
            d->minFrequency = toNumber(n["min_frequency"], "min_frequency");
        if (n["max_frequency"])
            d->maxFrequency = toNumber(n["max_frequency"], "max_frequency");
        if (d->minFrequency <= 0 || d->maxFrequency < d->minFrequency)
            throw ScenarioError(n, "the frequency limits need 0 < min_frequency <= max_frequency");
        if (n["fifo_samples"])
            d->fifoSamples = toInteger(n["fifo_samples"], "fifo_samples", 1, 1ll << 40);
        if (n["data"]) {
            const std::string data = scalarText(n["data"], "data");
            if (data != "signal" && data != "sequence")
                throw ScenarioError(n["data"], "'data' is signal or sequence");
            d->sequenceData = data == "sequence";
        }
        card.digitizer = std::move(d);
    } else if (card.model == kModel7931) {
        checkKeys(n, "a 7931 card", {"position", "model", "sub_type", "serial", "revision", "channels"});
        auto c = std::make_unique<Card7931>();
        if (n["sub_type"])
            c->subType = scalarText(n["sub_type"], "sub_type");
        if (n["serial"])
            c->serial = int32_t(toInteger(n["serial"], "serial", 0, 0x7FFFFFFF));
        if (n["revision"])
            c->revision = scalarText(n["revision"], "revision");
        if (const YAML::Node chs = n["channels"]) {
            requireMap(chs, "'channels'");
            for (auto it = chs.begin(); it != chs.end(); ++it) {
                int ch = int(toInteger(it->first, "channel", 1, kChannels));
                readChannel(it->second, c->channels[ch - 1], "channel " + std::to_string(ch));
                const LimitViolation impossible = physicalLimitViolation(it->second, c->channels[ch - 1], *c, ch);
                if (!impossible.reason.empty())
                    throw ScenarioError(it->second[impossible.key], "channel " + std::to_string(ch) + ": " +
                                                                        impossible.reason);
            }
        }
        card.conditioning = std::move(c);
    } else {
        checkKeys(n, "a card", {"position", "model"});
    }
    carrier.cards.push_back(std::move(card));
}

std::shared_ptr<Carrier> readDevice(const std::string &name, const YAML::Node &n)
{
    requireMap(n, "device '" + name + "'");
    auto c = std::make_shared<Carrier>();
    c->name = name;
    if (!n["interface"])
        throw ScenarioError(n, "device '" + name + "' needs 'interface' (vxi or lxi)");
    std::string intf = scalarText(n["interface"], "interface");
    if (intf == "vxi") {
        c->kind = Carrier::Kind::Vxi;
        checkKeys(n, "a VXI device",
                  {"interface", "board", "carrier_model", "slot", "logical_address", "positions", "cards"});
        if (n["board"])
            c->board = int(toInteger(n["board"], "board", 0, 255));
        if (n["slot"])
            c->slot = int(toInteger(n["slot"], "slot", 0, 12));
        if (n["logical_address"])
            c->logicalAddress = int(toInteger(n["logical_address"], "logical_address", 0, 255));
    } else if (intf == "lxi") {
        c->kind = Carrier::Kind::Lxi;
        checkKeys(n, "an LXI device", {"interface", "carrier_model", "host", "device_name", "positions", "cards"});
        if (!n["host"])
            throw ScenarioError(n, "LXI device '" + name + "' needs 'host'");
        c->host = scalarText(n["host"], "host");
        c->deviceName = n["device_name"] ? scalarText(n["device_name"], "device_name") : std::string("inst0");
        if (c->host.size() > 255 || c->deviceName.size() > 255)
            throw ScenarioError(n, "host and device_name hold at most 255 characters");
    } else {
        throw ScenarioError(n["interface"], "unknown interface '" + intf + "' (expected vxi or lxi)");
    }
    if (n["carrier_model"])
        c->carrierModel = uint16_t(toInteger(n["carrier_model"], "carrier_model", 0, 0xFFFF));
    if (n["positions"])
        c->positions = int(toInteger(n["positions"], "positions", 1, 16));
    if (const YAML::Node cards = n["cards"]) {
        if (!cards.IsSequence())
            throw ScenarioError(cards, "'cards' must be a list");
        std::set<int> used;
        for (const auto &card : cards)
            readCard(card, *c, used);
    }
    return c;
}

ViStatus refuseStatus(const YAML::Node &n)
{
    std::string s = scalarText(n, "refuse");
    if (s == "true" || s == "yes" || s == "busy")
        return VI_ERROR_RSRC_BUSY;
    if (s == "false" || s == "no")
        return 0;
    if (s == "no_listeners")
        return VI_ERROR_NLISTENERS;
    if (s == "system_error")
        return VI_ERROR_SYSTEM_ERROR;
    long long v = toInteger(n, "refuse", INT32_MIN, UINT32_MAX);
    if (v >= 0x80000000ll)
        v -= 0x100000000ll;
    if (v >= 0)
        throw ScenarioError(n, "a refusing resource needs a negative (error) status");
    return ViStatus(v);
}

void parseInto(const YAML::Node &root, Scenario &sc)
{
    if (root.IsNull() || !root.IsDefined())
        throw ScenarioError(1, "the scenario is empty (it needs at least 'version: 1')");
    requireMap(root, "the scenario");
    checkKeys(root, "the scenario", {"version", "devices", "resources"});
    if (!root["version"])
        throw ScenarioError(root, "missing 'version' (this simulator reads version 1)");
    long long version = toInteger(root["version"], "version", INT32_MIN, INT32_MAX);
    if (version != kScenarioVersion)
        throw ScenarioError(root["version"], "unsupported scenario version " + std::to_string(version) +
                                                 " (this simulator reads version 1)");
    std::map<std::string, std::shared_ptr<Carrier>> devices;
    if (const YAML::Node devs = root["devices"]) {
        if (!devs.IsNull()) {
            requireMap(devs, "'devices'");
            for (auto it = devs.begin(); it != devs.end(); ++it) {
                std::string name = scalarText(it->first, "device name");
                auto c = readDevice(name, it->second);
                devices[name] = c;
                sc.carriers.push_back(c);
            }
        }
    }
    std::set<std::string> names;
    if (const YAML::Node res = root["resources"]) {
        if (!res.IsNull() && !res.IsSequence())
            throw ScenarioError(res, "'resources' must be a list");
        for (const auto &r : res) {
            requireMap(r, "a resource");
            checkKeys(r, "a resource", {"name", "device", "refuse"});
            if (!r["name"])
                throw ScenarioError(r, "a resource needs 'name' (for example VXI0::1::INSTR)");
            Resource out;
            out.name = scalarText(r["name"], "name");
            if (out.name.find("::") == std::string::npos)
                throw ScenarioError(r["name"], "'" + out.name + "' is not a VISA resource name");
            std::string upper;
            for (char ch : out.name)
                upper += char(std::toupper(static_cast<unsigned char>(ch)));
            if (!names.insert(upper).second)
                throw ScenarioError(r["name"], "resource '" + out.name + "' is listed twice");
            if (r["device"]) {
                std::string dev = scalarText(r["device"], "device");
                auto it = devices.find(dev);
                if (it == devices.end())
                    throw ScenarioError(r["device"], "resource '" + out.name + "' names unknown device '" + dev + "'");
                out.carrier = it->second;
            }
            if (r["refuse"])
                out.refuseStatus = refuseStatus(r["refuse"]);
            const std::string canonical = canonicalResourceName(out.name);
            if (!canonical.empty())
                sc.resourceIndex.emplace(canonical, sc.resources.size());
            sc.resources.push_back(out);
        }
    }
}

} // namespace

bool parseScenario(const std::string &text, const std::string &source, Scenario *out, std::string *error)
{
    Scenario sc;
    try {
        YAML::Node root = YAML::Load(text);
        parseInto(root, sc);
    } catch (const ScenarioError &e) {
        if (error)
            *error = source + ":" + (e.line > 0 ? std::to_string(e.line) + ":" : std::string()) + " " + e.what();
        *out = Scenario();
        return false;
    } catch (const YAML::Exception &e) {
        if (error) {
            std::string where = e.mark.is_null() ? std::string() : std::to_string(e.mark.line + 1) + ":";
            *error = source + ":" + where + " invalid YAML: " + e.msg;
        }
        *out = Scenario();
        return false;
    } catch (const std::exception &e) {
        if (error)
            *error = source + ": cannot read the scenario: " + e.what();
        *out = Scenario();
        return false;
    }
    *out = std::move(sc);
    return true;
}

namespace {

// The line (1-based) of the byte at `pos`.
int lineOf(const std::string &text, size_t pos)
{
    return 1 + int(std::count(text.begin(), text.begin() + std::ptrdiff_t(pos), '\n'));
}

// The position of the first byte that makes `text` no UTF-8 text (a NUL or
// another control character than tab, line feed and carriage return, or a
// malformed sequence); npos when there is none.
size_t firstBinaryByte(const std::string &text)
{
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F)
                return i;
            ++i;
            continue;
        }
        size_t more = c >= 0xF0 && c <= 0xF4 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
        if (more == 0 || i + more >= text.size())
            return i;
        for (size_t k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return i;
        i += more + 1;
    }
    return std::string::npos;
}

} // namespace

bool readScenarioFile(const std::string &path, Scenario *out, std::string *error)
{
    *out = Scenario();
    auto fail = [&](const std::string &why) {
        if (error)
            *error = path + ": " + why;
        return false;
    };
    // Opened without blocking and checked before reading: a FIFO or a device
    // named as the scenario would block the caller or never end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(std::string("cannot open the scenario file (") + std::strerror(errno) + ")");
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(std::string("cannot read the scenario file (") + std::strerror(err) + ")");
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(S_ISDIR(st.st_mode) ? "the scenario is a folder, not a regular file"
                                        : "the scenario is not a regular file (a device, a FIFO or a socket)");
    }
    if (st.st_size > kMaxScenarioFileSize) {
        ::close(fd);
        return fail("the scenario file is too large (" + std::to_string(st.st_size) + " bytes; at most " +
                    std::to_string(kMaxScenarioFileSize) + ")");
    }
    std::string text;
    char buf[65536];
    int err = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            err = errno;
        if (n <= 0)
            break;
        text.append(buf, size_t(n));
        if (text.size() > size_t(kMaxScenarioFileSize))
            break; // grew while being read
    }
    ::close(fd);
    if (err != 0)
        return fail(std::string("cannot read the scenario file (") + std::strerror(err) + ")");
    if (text.size() > size_t(kMaxScenarioFileSize))
        return fail("the scenario file is too large (more than " + std::to_string(kMaxScenarioFileSize) + " bytes)");
    const size_t bad = firstBinaryByte(text);
    if (bad != std::string::npos) {
        if (error)
            *error = path + ":" + std::to_string(lineOf(text, bad)) +
                     ": the scenario file is not UTF-8 text (binary data at byte " + std::to_string(bad) + ")";
        return false;
    }
    return parseScenario(text, path, out, error);
}

} // namespace detail
} // namespace ovsim
