#include "journal.h"

#include <cstdio>
#include <deque>
#include <mutex>

namespace ovsim {

std::string Call::text() const
{
    std::string t = function + "(";
    for (size_t k = 0; k < args.size(); ++k)
        t += (k ? ", " : "") + args[k];
    return t + ")";
}

namespace detail {
namespace {

struct Journal {
    std::mutex m;
    std::deque<Call> calls;
    uint64_t firstId = 0; // id of calls.front()
};

Journal &theJournal()
{
    static Journal *j = new Journal; // never destroyed: threads may outlive main()
    return *j;
}

} // namespace

ArgList &ArgList::i(long long v)
{
    v_.push_back(std::to_string(v));
    return *this;
}

ArgList &ArgList::u(unsigned long long v)
{
    v_.push_back(std::to_string(v));
    return *this;
}

ArgList &ArgList::d(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    v_.push_back(buf);
    return *this;
}

ArgList &ArgList::s(const char *text)
{
    if (!text) {
        v_.push_back("null");
        return *this;
    }
    std::string q = "\"";
    for (const char *c = text; *c && q.size() < 300; ++c) {
        if (*c == '"' || *c == '\\')
            q += '\\';
        q += *c;
    }
    v_.push_back(q + "\"");
    return *this;
}

ArgList &ArgList::p(const void *ptr)
{
    v_.push_back(ptr ? "&" : "null");
    return *this;
}

ArgList &ArgList::fn(const void *ptr)
{
    v_.push_back(ptr ? "fn" : "null");
    return *this;
}

uint64_t journalBegin(const char *function, std::vector<std::string> args)
{
    Journal &j = theJournal();
    std::lock_guard<std::mutex> lk(j.m);
    Call c;
    c.function = function;
    c.args = std::move(args);
    j.calls.push_back(std::move(c));
    if (j.calls.size() > kJournalCapacity) {
        j.calls.pop_front();
        ++j.firstId;
    }
    return j.firstId + j.calls.size() - 1;
}

void journalEnd(uint64_t id, ViStatus status)
{
    Journal &j = theJournal();
    std::lock_guard<std::mutex> lk(j.m);
    if (id >= j.firstId && id - j.firstId < j.calls.size())
        j.calls[size_t(id - j.firstId)].status = status;
}

void journalClear()
{
    Journal &j = theJournal();
    std::lock_guard<std::mutex> lk(j.m);
    j.firstId += j.calls.size();
    j.calls.clear();
}

std::vector<Call> journalSnapshot(const std::string *onlyFunction)
{
    Journal &j = theJournal();
    std::lock_guard<std::mutex> lk(j.m);
    std::vector<Call> out;
    for (const auto &c : j.calls)
        if (!onlyFunction || c.function == *onlyFunction)
            out.push_back(c);
    return out;
}

} // namespace detail

std::vector<Call> journal() { return detail::journalSnapshot(nullptr); }
std::vector<Call> journalOf(const std::string &function) { return detail::journalSnapshot(&function); }
void clearJournal() { detail::journalClear(); }

} // namespace ovsim
