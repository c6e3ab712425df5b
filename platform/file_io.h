#pragma once

// The platform layer: the few file operations the conversion asks of the
// operating system, written once per system (posix/, win32/). It is the
// bottom layer and knows nothing of saves; core/ builds on it, never the
// other way round.

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

// Opens a file for reading. Never blocks on a pipe that has no writer; a
// directory is refused as if it could not be opened.
InputFile OpenInputFile(const std::string& path, std::error_code& error);

// A new file that is to replace one output path. Its bytes go to a temporary
// file beside the output and replace the output only when an OutputBatch
// commits them; dropping the file before then removes the temporary, so the
// old output keeps every byte. An output that exists but is not a regular
// file (a device) is written in place, as a plain write would.
class OutputFile {
public:
    // Attributes
    std::FILE* Stream() const { return stream_; }

    // Operations
    // Fails as creating the output would: a missing folder, an existing file
    // the user may not write, a directory.
    static std::unique_ptr<OutputFile> Create(const std::string& path, std::error_code& error);

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

private:
    friend class OutputBatch;

    OutputFile(std::FILE* stream, std::string target, std::string temporary)
        : stream_(stream), target_(std::move(target)), temporary_(std::move(temporary)) {}

    std::FILE* stream_;      // null once the batch has closed it
    std::string target_;     // the file that is replaced (a symbolic link resolved)
    std::string temporary_;  // empty when writing in place, and once moved into place
};

// The one way outputs reach the disk, for one file or a thousand. A file is
// closed, its bytes started on their way to the disk, when the next one is
// added, so a batch never holds more than one open; Commit then puts the bytes
// of all of them on the disk before any of them replaces its output. Dropping
// the batch removes the temporaries of files not committed.
class OutputBatch {
public:
    // Operations
    // Takes a written file; a failure to close it is kept for Commit to report.
    void Add(std::unique_ptr<OutputFile> file);

    // Puts the bytes of every added file on the disk, then moves each over its
    // output and makes the moves durable. One result per added file, in the
    // order added; a file whose bytes could not be put on the disk is not
    // moved, and its temporary is removed.
    std::vector<std::error_code> Commit();

private:
    struct Entry {
        std::unique_ptr<OutputFile> file;
        std::error_code error;  // from closing it
        bool onDisk;            // closed durably
    };
    static void Close(Entry& entry, bool durable);

    std::vector<Entry> entries_;
};

}  // namespace ondrel
