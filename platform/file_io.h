#pragma once

// The platform layer: the few file operations the conversion asks of the
// operating system. The logic is written once (paths.cpp, input_read.cpp,
// output_batch.cpp) on steps written once per system (system_files.h, in
// posix/ and win32/). It is the bottom layer and knows nothing of saves;
// core/ builds on it, never the other way round.

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
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

// What tells a regular file's content changed: its length and the times of
// its last write and last change, as the system keeps them, and whether it
// holds any data on the disk (the files of /proc and /sys hold none and may
// give fewer bytes than their length says).
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t written = 0, changed = 0;  // in the system's own units
    bool stored = true;
    bool operator==(const FileStamp&) const = default;
};

// An open input; closes itself.
class InputFile {
public:
    InputFile() = default;
    InputFile(FileHandle handle, std::uint64_t size, bool regular, FileStamp stamp = {})
        : handle_(handle), size_(size), regular_(regular), stamp_(stamp) {}
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&&) = delete;
    ~InputFile();

    // Attributes
    bool IsOpen() const { return handle_ != kNoFile; }
    FileHandle Handle() const { return handle_; }
    // The bytes from where reading starts to the end: 0 for devices and pipes.
    std::uint64_t Size() const { return size_; }
    bool Regular() const { return regular_; }          // whose size may still be misstated
    const FileStamp& Stamp() const { return stamp_; }  // as opened, of a regular file

private:
    FileHandle handle_ = kNoFile;
    std::uint64_t size_ = 0;
    bool regular_ = false;
    FileStamp stamp_;
};

// Why a file could not be read or written, where the system gives no reason
// of its own.
enum class FileError {
    NotRegular = 1,    // a pipe, device or socket where a save file was named
    ChangedWhileRead,  // another program wrote to it, or cut it short, meanwhile
    // The output replaced its file, but the folder's new entry could not be
    // put on the disk: a power cut may still lose it.
    FolderNotFlushed,
};
std::error_code make_error_code(FileError error);

// A buffer that a read fills needs no zeros first: growing it leaves the new
// bytes as they are.
template <class T>
struct UninitialisedOnGrowth : std::allocator<T> {
    UninitialisedOnGrowth() = default;
    template <class U>
    UninitialisedOnGrowth(const UninitialisedOnGrowth<U>&) noexcept {}
    template <class U>
    struct rebind {
        using other = UninitialisedOnGrowth<U>;
    };
    template <class U>
    void construct(U* at) noexcept {
        ::new (static_cast<void*>(at)) U;
    }
    template <class U, class... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};

// Opens a save file for reading. Never blocks, on a pipe or on anything else
// that may have been put in the file's place: what is opened is asked what it
// is, and only a regular file is taken (FileError::NotRegular); a directory
// is refused as if it could not be opened.
InputFile OpenInputFile(const std::string& path, std::error_code& error);

// Standard input, from where the shell left it; closing it leaves the
// process's own standard input open.
InputFile OpenStandardInput(std::error_code& error);

// Reads an input once, from where it stands: at most bound bytes into bytes,
// and in size how long it is in all (never less than what was read). An
// input that gives more than bound bytes is counted on to at most limit + 1.
// The error of a failed read, and FileError::ChangedWhileRead for a regular
// file that is not, once read, what it was when opened; a short read at the
// end is no error.
using InputBuffer = std::vector<std::uint8_t, UninitialisedOnGrowth<std::uint8_t>>;
std::error_code ReadInput(const InputFile& input, std::uint64_t bound, std::uint64_t limit,
                          InputBuffer& bytes, std::uint64_t& size);

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
        // Written in place (a device, standard output): the bytes it took,
        // all or those before it failed, which no temporary holds back; its
        // close may still fail when the group is committed.
        std::uint64_t delivered = 0;
        explicit operator bool() const { return static_cast<bool>(error); }
    };

    // Told each group's results (one per write that did not fail, in the
    // order written) the moment its files are in place, before an interrupt
    // can end the run: a front end that reports them there reports every
    // file replaced.
    using CommitListener = std::function<void(std::span<const std::error_code> results)>;

    explicit OutputBatch(CommitListener committed = {});
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
    // When error says the disk is full or the process has no file handle
    // left, and files wait (each holds its room and a handle), commits them,
    // so that the failed step can be tried again.
    bool MakeWayFor(std::error_code error);

private:
    struct Output;
    Failure WriteTemporary(Output& output, const system::ExistingOutput& old,
                           std::span<const std::uint8_t> bytes);
    void Add(std::unique_ptr<Output> output);
    void MakeRoom(const std::string& folder, std::uint64_t bytes);
    void CommitGroup();

    CommitListener committed_;
    std::vector<std::unique_ptr<Output>> group_;
    std::vector<std::error_code> results_;
    // The folders rid of abandoned temporaries, each with the reason it
    // cannot take a new file by a move, if it cannot.
    std::vector<std::pair<std::string, std::error_code>> folders_;
    // The bytes still free in each folder the group writes to, as asked of
    // the system at the group's first output there, less what it wrote since.
    std::vector<std::pair<std::string, std::uint64_t>> room_;
};

// Makes Ctrl-C, SIGTERM, SIGHUP (and a closed console on Windows) remove the
// temporaries of the files being written before the program ends, with the
// status a shell expects of a signal (130 for Ctrl-C, 143 for SIGTERM).
void RemoveTemporariesOnInterrupt();

}  // namespace ondrel

template <>
struct std::is_error_code_enum<ondrel::FileError> : std::true_type {};
