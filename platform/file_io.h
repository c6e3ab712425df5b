#pragma once

// The platform layer: the few file operations the conversion asks of the
// operating system. The logic is written once (paths.cpp, input_read.cpp,
// output_batch.cpp) on steps written once per system (system_files.h, in
// posix/ and win32/). It is the bottom layer and knows nothing of saves;
// core/ builds on it, never the other way round.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace ondrel {

// A file descriptor, or a Windows HANDLE; -1 is none on both.
using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;

// Paths, spelled as the system spells them.
// The folder of a path as a prefix for names in it: empty for the current
// folder, else ending in a separator or a drive's colon ("saves/",
// "C:\\saves\\", "C:").
std::string FolderOf(const std::string& path);
// The last name of a path.
std::string FileNameOf(const std::string& path);
// The name in the folder.
std::string InFolder(const std::string& folder, const std::string& name);
// A name Windows opens as a device in every folder (NUL, COM1); none on POSIX.
bool IsReservedDeviceName(const std::string& path);

enum class PathKind { Missing, Link, Directory, Regular, Other, Unknown };
// Where a path leads, links followed: the file at the end of the chain of
// symbolic links, whether it exists or not, is the one an output through
// them is written to, and the links stay. A loop, or a chain longer than the
// system's limit (40), is std::errc::too_many_symbolic_link_levels.
struct PathEnd {
    std::string path;
    PathKind kind = PathKind::Unknown;  // never Link; Unknown when it cannot be asked
};
PathEnd FollowLinks(const std::string& path, std::error_code& error);

// An open input; closes itself.
class InputFile {
public:
    InputFile() = default;
    InputFile(FileHandle handle, std::uint64_t size, bool regular)
        : handle_(handle), size_(size), regular_(regular) {}
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&&) = delete;
    ~InputFile();

    // Attributes
    bool IsOpen() const { return handle_ != kNoFile; }
    FileHandle Handle() const { return handle_; }
    std::uint64_t Size() const { return size_; }  // 0 for devices and pipes
    bool Regular() const { return regular_; }     // whose size may still be misstated

private:
    FileHandle handle_ = kNoFile;
    std::uint64_t size_ = 0;
    bool regular_ = false;
};

// Opens a file for reading. Never blocks on a pipe that has no writer; a
// directory is refused as if it could not be opened.
InputFile OpenInputFile(const std::string& path, std::error_code& error);

// Standard input; closing it leaves the process's own standard input open.
InputFile OpenStandardInput(std::error_code& error);

// Reads an input from its start, once: at most bound bytes into bytes, and
// in size how long it is in all (never less than what was read). The error
// of a failed read; a short read at the end is no error.
std::error_code ReadInput(const InputFile& input, std::uint64_t bound,
                          std::vector<std::uint8_t>& bytes, std::uint64_t& size);

// A regular file's first bytes (no more than a bound) mapped into memory:
// read without a copy, for as long as the mapping lives. Not every system or
// file allows it; then it is empty, and ReadInput reads the input. A file
// that shrinks while mapped reads as zeros past its new end: Changed, asked
// once its bytes have been used, says whether its length is still the one it
// was opened with. If not, they are not what it holds, and ReadInput reads it
// again.
class InputMapping {
public:
    InputMapping() = default;
    InputMapping(const InputFile& input, std::uint64_t bound);
    InputMapping(const InputMapping&) = delete;
    InputMapping& operator=(const InputMapping&) = delete;
    ~InputMapping();

    // Attributes
    explicit operator bool() const { return start_ != nullptr; }
    std::span<const std::uint8_t> Bytes() const { return {start_, size_}; }
    bool Changed() const;

private:
    const std::uint8_t* start_ = nullptr;
    std::size_t size_ = 0;
    FileHandle file_ = kNoFile;
    std::uint64_t fileSize_ = 0;
};

namespace system {
struct ExistingOutput;
}

// The one way outputs reach the disk, for one file or a thousand. Each
// output's bytes go to a temporary file beside it, which replaces the output
// only when its group is committed; until then the old output keeps every
// byte. Files are committed in groups: the bytes of a whole group are put on
// the disk before any of its files replaces its output. A group holds its
// files open (their temporaries locked) and ends at a bounded number of
// files, or early when the next file would not find room beside the ones
// waiting. Dropping the batch removes the temporaries of files not committed.
//
// An output that exists but is not a regular file (a device) is written in
// place, as a plain write would. An output that is a symbolic link, dangling
// or not, is written through: the file it names is created or replaced, and
// the link stays. Abandoned temporaries (of a run that was killed) are
// removed from each folder written to, once per batch.
class OutputBatch {
public:
    // How writing an output failed: where (its creation, or the writing of
    // its bytes) and why.
    struct Failure {
        bool created = false;  // the output was created; its bytes failed
        std::error_code error;
        explicit operator bool() const { return static_cast<bool>(error); }
    };

    OutputBatch();
    OutputBatch(const OutputBatch&) = delete;
    OutputBatch& operator=(const OutputBatch&) = delete;
    ~OutputBatch();

    // Operations
    // Writes bytes as the new content of path, to be committed. Creating
    // fails as creating the output would: a missing folder, an existing file
    // the user may not write, a directory. Without replace, an output that
    // exists when the file is committed is kept, and the commit fails with
    // std::errc::file_exists.
    Failure Write(const std::string& path, bool replace, std::span<const std::uint8_t> bytes);
    // Writes bytes to standard output, in place, as to a device.
    Failure WriteStandardOutput(std::span<const std::uint8_t> bytes);

    // Commits what waits. One result per write that did not fail, in the
    // order written; a file whose bytes could not be put on the disk is not
    // moved, and its temporary is removed.
    std::vector<std::error_code> Commit();

private:
    struct Output;
    Failure WriteTemporary(Output& output, const system::ExistingOutput& old,
                           std::span<const std::uint8_t> bytes);
    void Add(std::unique_ptr<Output> output);
    void MakeRoom(const std::string& folder, std::uint64_t bytes);
    void CommitGroup();

    std::vector<std::unique_ptr<Output>> group_;
    std::vector<std::error_code> results_;
    std::vector<std::string> cleaned_;  // folders rid of abandoned temporaries
    // The bytes still free in each folder the group writes to, as asked of
    // the system at the group's first output there, less what it wrote since.
    std::vector<std::pair<std::string, std::uint64_t>> room_;
};

// Makes Ctrl-C, SIGTERM, SIGHUP (and a closed console on Windows) remove the
// temporaries of the files being written before the program ends, with the
// status a shell expects of a signal (130 for Ctrl-C, 143 for SIGTERM).
void RemoveTemporariesOnInterrupt();

}  // namespace ondrel
