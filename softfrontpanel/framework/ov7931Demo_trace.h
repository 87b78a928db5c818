// The driver-call trace, for the maker's support: while it is on, every
// guarded driver call is appended to the trace file as one line of
// tab-separated fields
//
//   time  thread  call  arguments  status  duration
//
// local time with microseconds; the calling thread's id and name; the guarded
// call as written in the program; the arguments' values as the driver saw
// them (an output pointer with the value it points to after the call); the
// status in decimal and hexadecimal; the time spent inside the driver in
// microseconds. Each line is flushed at once, so a trace survives a crash or
// a quit from an error box.
//
// It is switched on by the environment variable OV7931FP_TRACE=FILE at start
// or from the About box; off, a guarded call pays one relaxed atomic load.
// Writing happens under the caller's hardwareLock, so the lines are in the
// order the calls were made.
#ifndef OV7931DEMO_TRACE_H
#define OV7931DEMO_TRACE_H

#include <atomic>
#include <charconv>
#include <cstdint>
#include <string>
#include <type_traits>

namespace driverTrace {

namespace detail {
extern std::atomic<bool> enabled;
} // namespace detail

// Whether calls are being traced now.
inline bool on() { return detail::enabled.load(std::memory_order_relaxed); }

// Opens `path` for appending (created when missing) and starts tracing into
// it; a trace already running is stopped first. On failure tracing stays off
// and `error` (when given) holds the reason.
bool start(const std::string &path, std::string *error = nullptr);
// Stops tracing and closes the file.
void stop();
// The file being written, empty when off.
std::string path();
// The environment variable's name and, when it is set and not empty, starts
// the trace it names. Returns false only when it is set and cannot be opened.
extern const char *const environmentVariable;
bool startFromEnvironment(std::string *error = nullptr);

// Appends one line. `arguments` is the comma-separated list of values.
void record(const char *callText, const std::string &arguments, int32_t status, int64_t durationNs);

// ---- argument values as text -------------------------------------------------
namespace detail {
void appendPointer(std::string &out, const void *p);
void appendQuoted(std::string &out, const char *text);

template <typename T>
void appendNumber(std::string &out, T value)
{
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr);
}

template <typename T>
constexpr bool isCharacter = std::is_same_v<std::remove_cv_t<T>, char> ||
                             std::is_same_v<std::remove_cv_t<T>, signed char> ||
                             std::is_same_v<std::remove_cv_t<T>, unsigned char>;

template <typename T>
void appendValue(std::string &out, const T &value)
{
    if constexpr (std::is_same_v<T, bool>) {
        out += value ? "1" : "0";
    } else if constexpr (std::is_enum_v<T>) {
        appendNumber(out, static_cast<std::underlying_type_t<T>>(value));
    } else if constexpr (std::is_arithmetic_v<T>) {
        if constexpr (isCharacter<T>)
            appendNumber(out, static_cast<int>(value));
        else
            appendNumber(out, value);
    } else if constexpr (std::is_pointer_v<T>) {
        using Pointee = std::remove_pointer_t<T>;
        if constexpr (std::is_function_v<Pointee>) {
            appendPointer(out, reinterpret_cast<const void *>(value));
        } else if constexpr (std::is_same_v<Pointee, const char>) {
            // An input text such as a resource descriptor.
            if (value)
                appendQuoted(out, value);
            else
                out += "NULL";
        } else if constexpr (std::is_arithmetic_v<Pointee> && !isCharacter<Pointee>) {
            // An output (or input) number: its address and the value there now.
            appendPointer(out, value);
            if (value) {
                out += "->";
                appendValue(out, static_cast<std::remove_cv_t<Pointee>>(*value));
            }
        } else {
            // Text buffers the driver fills, untyped and callback pointers:
            // the address only (a buffer may hold no terminated text).
            appendPointer(out, static_cast<const void *>(value));
        }
    } else {
        out += "?";
    }
}
} // namespace detail

template <typename... A>
std::string argumentText(A... a)
{
    std::string out;
    bool first = true;
    ((out += first ? "" : ", ", first = false, detail::appendValue(out, a)), ...);
    return out;
}

} // namespace driverTrace

#endif
