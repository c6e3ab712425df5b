#pragma once

// The few file operations the conversion needs from the operating system,
// implemented once per platform (platform/posix, platform/win32).

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace ondrel {

struct InputFile {
    std::FILE* stream = nullptr;  // binary, at offset 0; the caller closes it
    std::uint64_t size = 0;       // length in bytes (0 for devices and pipes)
};

// Opens a save for reading. Never blocks on a pipe that has no writer; a
// directory is refused as if it could not be opened.
InputFile OpenInputFile(const std::string& path, std::error_code& error);

// A failure-atomic replacement of one output path: the bytes go to a new
// temporary file beside the output and only replace it, once they are on the
// disk, at Commit. Dropping an uncommitted OutputFile removes the temporary,
// so the old output keeps every byte. An output that exists but is not a
// regular file (a device) is written in place, as a plain write would.
class OutputFile {
public:
    // Fails as creating the output would: a missing folder, an existing file
    // the user may not write, a directory.
    static std::unique_ptr<OutputFile> Create(const std::string& path, std::error_code& error);

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    std::FILE* Stream() const { return stream_; }
    const std::string& TemporaryPath() const { return temporary_; }

    // Flushes, syncs and closes the stream, then puts the file in place.
    std::error_code Commit();

private:
    friend class OutputGroup;

    OutputFile(std::FILE* stream, std::string target, std::string temporary)
        : stream_(stream), target_(std::move(target)), temporary_(std::move(temporary)) {}

    std::FILE* stream_;
    std::string target_;     // the file that is replaced (a symbolic link resolved)
    std::string temporary_;  // empty when writing in place
};

// Outputs committed together, for a batch: each file is closed as soon as it
// is written, and Commit then puts the bytes of all of them on the disk at
// once before any of them replaces its target. Dropping the group removes the
// temporaries of files not committed.
class OutputGroup {
public:
    // Flushes and closes the file's stream without waiting for the disk and
    // keeps the file for Commit. On a failed flush the file is dropped, its
    // temporary removed, and the error returned.
    std::error_code Add(std::unique_ptr<OutputFile> file);

    // Puts the bytes of every added file on the disk, then moves each over its
    // target and syncs their folders. One result per added file, in the order
    // added; a file whose bytes could not be put on the disk is not moved.
    std::vector<std::error_code> Commit();

private:
    std::vector<std::unique_ptr<OutputFile>> files_;
};

}  // namespace ondrel
