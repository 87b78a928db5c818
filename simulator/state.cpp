#include "state.h"

#include "scenario.h"
#include "stream.h"

#include <cstdio>
#include <cstdlib>

namespace ovsim {
namespace detail {

State &state()
{
    static State *s = new State; // never destroyed: threads may outlive main()
    return *s;
}

Scenario scenarioFromEnvironment()
{
    Scenario sc;
    std::string error;
    const char *path = std::getenv("OVSIM_SCENARIO");
    if (!path || !*path) {
        if (!parseScenario(defaultScenarioText(), "<built-in default scenario>", &sc, &error))
            std::fprintf(stderr, "ovsim: %s\n", error.c_str());
        return sc;
    }
    if (!readScenarioFile(path, &sc, &error))
        std::fprintf(stderr, "ovsim: %s; the simulated VISA system has no resources\n", error.c_str());
    return sc;
}

std::unique_lock<std::mutex> lockState()
{
    State &s = state();
    std::unique_lock<std::mutex> lk(s.m);
    if (!s.loaded) {
        // Nothing can be running before the first load, so there is no stream to stop.
        installScenario(s, scenarioFromEnvironment());
    }
    return lk;
}

ViSession addSession(State &s, Session session)
{
    for (;;) {
        ViSession h = s.nextHandle++;
        if (s.nextHandle == 0)
            s.nextHandle = 0x00010001;
        if (h != 0 && !s.sessions.count(h)) {
            s.sessions.emplace(h, std::move(session));
            return h;
        }
    }
}

Session *findSession(State &s, ViSession vi, Session::Kind kind)
{
    auto it = s.sessions.find(vi);
    if (it == s.sessions.end() || it->second.kind != kind)
        return nullptr;
    return &it->second;
}

void removeSession(State &s, ViSession vi, Streams *streams)
{
    auto it = s.sessions.find(vi);
    if (it == s.sessions.end())
        return;
    Session gone = std::move(it->second);
    s.sessions.erase(it);
    std::vector<ViSession> children;
    for (auto &kv : s.sessions)
        if (kv.second.parent == vi)
            children.push_back(kv.first);
    for (ViSession c : children)
        removeSession(s, c, streams);
    if (gone.kind == Session::Kind::Digitizer && gone.digitizer) {
        // The acquisition ends with the last session of the card.
        bool other = false;
        for (auto &kv : s.sessions)
            if (kv.second.kind == Session::Kind::Digitizer && kv.second.digitizer == gone.digitizer)
                other = true;
        if (!other) {
            takeStream(*gone.digitizer, streams);
            gone.digitizer->acq = Acquisition();
        }
    }
    if (gone.kind == Session::Kind::Conditioning && gone.conditioning && gone.conditioning->session == vi)
        gone.conditioning->session = 0;
}

void takeStream(Card8263 &card, Streams *streams)
{
    if (card.stream && streams)
        streams->push_back(std::move(card.stream));
    card.stream.reset();
    card.acq.streaming = false;
}

Streams takeAllStreams(State &s)
{
    Streams streams;
    for (auto &c : s.scenario.carriers)
        for (auto &card : c->cards)
            if (card.digitizer)
                takeStream(*card.digitizer, &streams);
    return streams;
}

Streams installScenario(State &s, Scenario sc)
{
    Streams streams = takeAllStreams(s);
    s.sessions.clear();
    s.scenario = std::move(sc);
    s.loaded = true;
    s.current7931 = nullptr;
    s.current8263 = nullptr;
    for (auto &c : s.scenario.carriers) {
        for (auto &card : c->cards) {
            if (card.conditioning && !s.current7931)
                s.current7931 = card.conditioning.get();
            if (card.digitizer && !s.current8263)
                s.current8263 = card.digitizer.get();
        }
    }
    return streams;
}

} // namespace detail
} // namespace ovsim
