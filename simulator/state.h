// The simulator's shared state: the scenario in use, the open sessions and
// the settings made through the control interface. One mutex guards it all;
// it is never held while a panel callback runs.
#ifndef OVSIM_STATE_H
#define OVSIM_STATE_H

#include "model.h"
#include "ov9174.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace ovsim {
namespace detail {

struct Session {
    enum class Kind { ResourceManager, FindList, Instrument, Digitizer, Conditioning } kind;
    ViSession parent = 0; // resource manager (find lists, instruments) or digitizer session (conditioning)
    std::shared_ptr<Carrier> carrier;
    std::string resource;
    Card8263 *digitizer = nullptr;       // Digitizer sessions
    Card7931 *conditioning = nullptr;    // Conditioning sessions
    std::vector<std::string> found;      // FindList
    size_t nextFound = 0;                // FindList
};

// Faults scheduled for a stream, by block number (from 0).
struct StreamSchedule {
    std::map<long, ViStatus> readErrors;
    std::map<long, double> stalls; // simulated seconds
    std::set<long> drops;
    std::map<long, uint16_t> errorBits;
};

struct State {
    std::mutex m;
    bool loaded = false;
    Scenario scenario;
    std::map<ViSession, Session> sessions;
    ViSession nextHandle = 0x00010001;
    Card7931 *current7931 = nullptr; // target of the control interface
    Card8263 *current8263 = nullptr;
    std::set<ov9174_IdRecord *> records;
    bool integrity = false;
    uint32_t integrityChannels = 0xFFFF; // the channels integrity mode applies to
    ViStatus forwardedStatus = 0;
    ViStatus lastFcError = 0;
    StreamSchedule schedule;
};

State &state();
// Locks the state, loading the scenario first when nothing is loaded yet.
std::unique_lock<std::mutex> lockState();

// Allocates a session handle: unique, never 0.
ViSession addSession(State &s, Session session);
Session *findSession(State &s, ViSession vi, Session::Kind kind);
// Removes a session and every session opened through it; streams of the
// digitizers closed that way are returned, to be stopped without the lock.
void removeSession(State &s, ViSession vi, Streams *streams);
// Takes the card's stream out (into `streams` when given) and ends its streaming.
void takeStream(Card8263 &card, Streams *streams);
// ... of every digitizer of the scenario in use.
Streams takeAllStreams(State &s);

// Installs a scenario: drops every session and returns the running streams
// (to be stopped by the caller after unlocking).
Streams installScenario(State &s, Scenario sc);
// The scenario named by OVSIM_SCENARIO, or the built-in default.
Scenario scenarioFromEnvironment();

} // namespace detail
} // namespace ovsim

#endif
