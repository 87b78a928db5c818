// The files ov7931rec writes (record's recording, convert's output): never
// one that already exists unless --force is given, and never one left
// behind by a run that did not start (record) or did not finish (convert).
//
// Without --force the file is created exclusively (O_EXCL): an existing
// file, or one that appears between the user's check and ours, is refused
// and left as it is. With --force and an existing file the output goes to a
// temporary file beside it (".NAME.XXXXXX" in the same folder), which
// replaces the old file in one rename when the output is kept; until then
// the old content stays untouched, and a run that fails leaves it so.
// Discarding removes only what this run created, and only while the name
// still leads to it. An existing device or pipe (/dev/null, /dev/stdout) is
// written in place with --force, never replaced or removed.
#ifndef OV7931REC_RECOUTPUT_H
#define OV7931REC_RECOUTPUT_H

#include <sys/types.h>

#include <cstdio>
#include <string>

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile(); // discards an output that was not kept
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    enum class Created { Ok, Exists, Failed };
    // Creates the output `path` for writing (binary). Exists: the file is
    // there and `force` is false; Failed: it cannot be created. `error`
    // receives the message for both, naming the path.
    Created create(const std::string &path, bool force, std::string &error);

    // The stream to write; null once released or closed.
    std::FILE *stream() const { return stream_; }
    // Hands the stream over to whoever closes it (the recording's writer).
    std::FILE *releaseStream();
    // Closes the stream when it is still held; false when that failed.
    bool closeStream();

    // The file the output becomes (where a link with --force leads).
    const std::string &path() const { return path_; }
    // The file written: `path()`, or the temporary file beside it.
    const std::string &writtenPath() const { return written_; }

    // The output is good: a temporary file takes the place of the old one.
    // False, with `error`, when that rename fails (the old file stays).
    bool keep(std::string &error);
    // Removes what this run created (closing the stream first).
    void discard();

private:
    std::string path_, written_;
    std::FILE *stream_ = nullptr;
    dev_t device_ = 0; // of the file created, to tell it is still ours
    ino_t inode_ = 0;
    bool open_ = false; // created and neither kept nor discarded
};

// True when `a` and `b` name one existing file (the same device and inode).
bool sameFile(const std::string &a, const std::string &b);

#endif
