// The journal: one entry per call of a driver, common-library or VISA
// function, in call order, with its arguments as text and its status.
#ifndef OVSIM_JOURNAL_H
#define OVSIM_JOURNAL_H

#include "ovsim_control.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ovsim {
namespace detail {

// Builds the argument texts of one call.
class ArgList {
public:
    ArgList &i(long long v);
    ArgList &u(unsigned long long v);
    ArgList &d(double v);
    ArgList &s(const char *text); // quoted, or null
    ArgList &p(const void *ptr);  // "&" or "null"
    ArgList &fn(const void *ptr); // "fn" or "null"
    std::vector<std::string> take() { return std::move(v_); }

private:
    std::vector<std::string> v_;
};

// At most this many entries are kept; the oldest go first.
constexpr size_t kJournalCapacity = 200000;

uint64_t journalBegin(const char *function, std::vector<std::string> args);
void journalEnd(uint64_t id, ViStatus status);
void journalClear();
std::vector<Call> journalSnapshot(const std::string *onlyFunction);

} // namespace detail
} // namespace ovsim

#endif
