// The output files of ov7931rec (see recOutput.h).
#include "recOutput.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder part of `path` with its slash ("" for the working folder) and
// the name after it.
void splitPath(const std::string &path, std::string &folder, std::string &name)
{
    const size_t slash = path.find_last_of('/');
    folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// The mode a newly created file gets: 0666 less the process's umask.
mode_t creationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool sameFile(const std::string &a, const std::string &b)
{
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

OutputFile::~OutputFile() { discard(); }

OutputFile::Created OutputFile::create(const std::string &path, bool force, std::string &error)
{
    discard();
    path_ = path;
    written_ = path;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    struct stat old;
    if (fd < 0 && errno == EEXIST && force && ::stat(path.c_str(), &old) == 0 && !S_ISREG(old.st_mode)) {
        // A device or a pipe (/dev/null, /dev/stdout) is written as it is,
        // never replaced or removed.
        fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            error = "cannot write \"" + path + "\": " + std::strerror(errno);
            return Created::Failed;
        }
        stream_ = ::fdopen(fd, "wb");
        return stream_ ? Created::Ok : Created::Failed;
    }
    if (fd < 0 && errno == EEXIST && force) {
        // Beside the old file (where a link leads), so that one rename replaces it.
        char *real = ::realpath(path.c_str(), nullptr);
        if (real) {
            path_ = real;
            std::free(real);
        }
        std::string folder, name;
        splitPath(path_, folder, name);
        written_ = folder + "." + name + ".XXXXXX";
        fd = ::mkstemp(&written_[0]);
        if (fd >= 0)
            (void)::fchmod(fd, creationMode());
    }
    if (fd < 0) {
        const int code = errno;
        if (code == EEXIST && !force) {
            error = "\"" + path + "\" already exists (--force replaces it)";
            return Created::Exists;
        }
        error = "cannot write \"" + path + "\": " + std::strerror(code);
        return Created::Failed;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
    stream_ = ::fdopen(fd, "wb");
    if (!stream_) {
        ::close(fd);
        open_ = true;
        discard();
        error = "cannot write \"" + path + "\": " + std::strerror(errno);
        return Created::Failed;
    }
    open_ = true;
    return Created::Ok;
}

std::FILE *OutputFile::releaseStream()
{
    std::FILE *f = stream_;
    stream_ = nullptr;
    return f;
}

bool OutputFile::closeStream()
{
    if (!stream_)
        return true;
    const bool ok = std::fclose(stream_) == 0;
    stream_ = nullptr;
    return ok;
}

bool OutputFile::keep(std::string &error)
{
    if (!open_)
        return true;
    if (written_ != path_ && ::rename(written_.c_str(), path_.c_str()) != 0) {
        error = "cannot replace \"" + path_ + "\": " + std::strerror(errno);
        return false;
    }
    open_ = false;
    return true;
}

void OutputFile::discard()
{
    closeStream();
    if (!open_)
        return;
    open_ = false;
    struct stat st;
    if (::stat(written_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_)
        (void)::unlink(written_.c_str());
}
