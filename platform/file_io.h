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
    bool regular = false;         // a regular file (whose size may still be misstated)
};

// Opens a file for reading. Never blocks on a pipe that has no writer; a
// directory is refused as if it could not be opened.
InputFile OpenInputFile(const std::string& path, std::error_code& error);

// Reads an input from its start, once: at most bound bytes into bytes, and
// in size how long it is in all (never less than what was read). The error
// of a failed read; a short read at the end is no error.
std::error_code ReadInput(const InputFile& input, std::uint64_t bound,
                          std::vector<std::uint8_t>& bytes, std::uint64_t& size);

// The file at the end of the chain of symbolic links that starts at path,
// whether it exists or not: the file an output through them is written to.
// The path itself when it is no link, or the chain cannot be followed.
std::string FollowLinks(const std::string& path);

// Standard input, read in binary mode; closing the stream leaves the
// process's own standard input open.
InputFile OpenStandardInput(std::error_code& error);

// A new file that is to become one output path. Its bytes go to a temporary
// file beside the output and replace the output only when an OutputBatch
// commits them; dropping the file before then removes the temporary, so the
// old output keeps every byte. An output that exists but is not a regular
// file (a device) is written in place, as a plain write would. An output
// that is a symbolic link, dangling or not, is written through: the file it
// names is created or replaced, and the link stays.
class OutputFile {
public:
    // Attributes
    std::FILE* Stream() const { return stream_; }

    // Operations
    // Fails as creating the output would: a missing folder, an existing file
    // the user may not write, a directory. Without replace, an output that
    // exists when the file is committed is kept, and the commit fails with
    // std::errc::file_exists.
    static std::unique_ptr<OutputFile> Create(const std::string& path, bool replace,
                                              std::error_code& error);
    // Standard output, written in place in binary mode, as a device is.
    static std::unique_ptr<OutputFile> CreateStandardOutput(std::error_code& error);

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

private:
    friend class OutputBatch;

    OutputFile(std::FILE* stream, std::string target, std::string temporary, bool replace);

    std::FILE* stream_;      // null once the batch has closed it
    std::string target_;     // the file that is replaced (symbolic links resolved)
    std::string temporary_;  // empty when writing in place, and once moved into place
    bool replace_;
};

// The one way outputs reach the disk, for one file or a thousand. Files are
// committed in groups: the bytes of a whole group are put on the disk before
// any of its files replaces its output. A group holds its files open (their
// temporaries locked) and ends at a bounded number of files, or early when
// the next file would not find room beside the ones waiting. Dropping the
// batch removes the temporaries of files not committed.
class OutputBatch {
public:
    // Operations
    // Commits the files waiting when a new output of this many bytes at path
    // would not fit beside them, so a batch needs no more room than the same
    // files one at a time.
    void MakeRoom(const std::string& path, std::uint64_t bytes);

    // Takes a written file; its bytes start on their way to the disk.
    void Add(std::unique_ptr<OutputFile> file);

    // Commits what waits. One result per file added since the batch began, in
    // the order added; a file whose bytes could not be put on the disk is not
    // moved, and its temporary is removed.
    std::vector<std::error_code> Commit();

private:
    struct Entry {
        std::unique_ptr<OutputFile> file;
        std::error_code error;  // from flushing it
    };
    void CommitGroup();

    std::vector<Entry> group_;
    std::vector<std::error_code> results_;
};

// Makes Ctrl-C, SIGTERM, SIGHUP (and a closed console on Windows) remove the
// temporaries of the files being written before the program ends, with the
// status a shell expects of a signal (130 for Ctrl-C, 143 for SIGTERM).
void RemoveTemporariesOnInterrupt();

}  // namespace ondrel
