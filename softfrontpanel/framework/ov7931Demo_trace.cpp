// The driver-call trace file: opening and closing it, and one flushed line
// per guarded call (see the header for the fields). Plain C++ without Qt, so
// the command-line recorder traces its calls the same way.
#include "ov7931Demo_trace.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

namespace driverTrace {

namespace detail {
std::atomic<bool> enabled{false};
} // namespace detail

const char *const environmentVariable = "OV7931FP_TRACE";

namespace {
std::mutex fileLock; // guards file and filePath
std::FILE *file = nullptr;
std::string filePath;

// "2025-05-06 14:03:22.123456", local time.
std::string timestamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const long micro = long(std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() %
                            1000000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%06ld", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, micro < 0 ? 0 : micro);
    return buffer;
}

// "12345 ov7931fp": the kernel's thread id and the thread's name.
std::string threadText()
{
    std::string out;
    detail::appendNumber(out, long(::syscall(SYS_gettid)));
    char name[32] = {};
    if (pthread_getname_np(pthread_self(), name, sizeof name) == 0 && name[0]) {
        out += ' ';
        out += name;
    }
    return out;
}

// A field never holds a tab or a line break: they would split the line.
void appendField(std::string &line, const char *text)
{
    for (const char *p = text; *p; ++p)
        line += (*p == '\t' || *p == '\n' || *p == '\r') ? ' ' : *p;
}

void closeFile()
{
    detail::enabled.store(false, std::memory_order_relaxed);
    if (file)
        std::fclose(file);
    file = nullptr;
    filePath.clear();
}
} // namespace

bool start(const std::string &path, std::string *error)
{
    std::lock_guard<std::mutex> lock(fileLock);
    closeFile();
    std::FILE *f = std::fopen(path.c_str(), "a");
    if (!f) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    std::string head = "# Keltri 7931 SFP driver-call trace, started ";
    head += timestamp();
    head += ", process ";
    detail::appendNumber(head, long(::getpid()));
    head += "\n# time\tthread\tcall\targuments\tstatus\tduration_us\n";
    if (std::fputs(head.c_str(), f) < 0 || std::fflush(f) != 0) {
        if (error)
            *error = std::strerror(errno);
        std::fclose(f);
        return false;
    }
    file = f;
    filePath = path;
    detail::enabled.store(true, std::memory_order_relaxed);
    return true;
}

void stop()
{
    std::lock_guard<std::mutex> lock(fileLock);
    closeFile();
}

std::string path()
{
    std::lock_guard<std::mutex> lock(fileLock);
    return filePath;
}

bool startFromEnvironment(std::string *error)
{
    const char *value = std::getenv(environmentVariable);
    if (!value || !*value)
        return true;
    return start(value, error);
}

void record(const char *callText, const std::string &arguments, int32_t status, int64_t durationNs)
{
    std::string line = timestamp();
    line += '\t';
    line += threadText();
    line += '\t';
    appendField(line, callText);
    line += '\t';
    appendField(line, arguments.c_str());
    line += '\t';
    detail::appendNumber(line, status);
    if (status != 0) {
        char hex[16];
        std::snprintf(hex, sizeof hex, " (0x%08X)", static_cast<unsigned>(status));
        line += hex;
    }
    line += '\t';
    // Microseconds with three decimals, written without the locale.
    detail::appendNumber(line, durationNs / 1000);
    line += '.';
    const int fraction = int(durationNs % 1000);
    line += char('0' + fraction / 100);
    line += char('0' + fraction / 10 % 10);
    line += char('0' + fraction % 10);
    line += '\n';

    std::lock_guard<std::mutex> lock(fileLock);
    if (!file)
        return; // switched off meanwhile
    if (std::fputs(line.c_str(), file) < 0 || std::fflush(file) != 0) {
        // Disk full or the file gone: say so once and stop, never disturb the call.
        std::fprintf(stderr, "Driver-call trace to \"%s\" stopped: %s\n", filePath.c_str(), std::strerror(errno));
        closeFile();
    }
}

namespace detail {
void appendPointer(std::string &out, const void *p)
{
    if (!p) {
        out += "NULL";
        return;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%p", p);
    out += buffer;
}

void appendQuoted(std::string &out, const char *text)
{
    out += '"';
    size_t n = 0;
    for (const char *p = text; *p; ++p, ++n) {
        if (n == 256) {
            out += "...";
            break;
        }
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        } else {
            out += char(c);
        }
    }
    out += '"';
}
} // namespace detail

} // namespace driverTrace
