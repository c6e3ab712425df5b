// How outputs reach the disk, the same on every system: a temporary created
// beside each output and written, a group's bytes all put on the disk, then
// each temporary moved over its output while still held, then the folders
// synced. A crash at any point leaves every output either old or whole.

#include <algorithm>
#include <utility>

#include "platform/file_io.h"
#include "platform/system_files.h"
#include "platform/temporaries.h"

namespace ondrel {
namespace {

// Files held open in one group: well under the descriptors a process gets
// (1,024 on Linux) and the handles a Windows process is comfortable with,
// and no more than half of what the process may open (ulimit -n), which
// leaves room for the inputs and the run's own files.
std::size_t GroupSize() {
    static const std::size_t size = std::clamp<std::size_t>(system::OpenFilesAllowed() / 2, 1, 128);
    return size;
}
// New names tried for a temporary before the folder is taken to refuse them.
constexpr int kNameAttempts = 100;

// The room a file of this many bytes takes: whole blocks of 4 KiB, and one
// more for the file system's own records of it.
std::uint64_t Blocks(std::uint64_t bytes) {
    constexpr std::uint64_t kBlock = 4096;
    return ((bytes + kBlock - 1) / kBlock + 1) * kBlock;
}

}  // namespace

// One output of the group: its handle, and the temporary that is to replace
// its target (none for a device, written in place). Dropped before it is
// moved into place, it removes the temporary, so the old output keeps every
// byte.
struct OutputBatch::Output {
    FileHandle handle = kNoFile;
    std::string target;     // the file that is replaced (symbolic links followed)
    std::string temporary;  // registered while it exists; empty once moved into place
    bool replace = true;
    std::error_code closed;  // a device's, closed once written

    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() {
        if (!temporary.empty()) system::RemoveFile(temporary.c_str());
        if (handle != kNoFile) system::Close(handle);
        if (!temporary.empty()) UnregisterTemporary(temporary);
    }
};

namespace {

// The temporary for target, created and held, registered before it exists
// so that an interrupt at any moment removes it. Named after the output; an
// output name at the length limit falls back to a short name in its folder.
// On failure, temporary is empty.
std::error_code CreateTemporary(const std::string& target, const system::ExistingOutput& old,
                                std::string& temporary, FileHandle& handle) {
    std::string folder = FolderOf(target);
    if (folder.empty()) folder = {'.', system::kSeparator};
    bool shortName = false;
    std::error_code error = std::make_error_code(std::errc::file_exists);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temporary = TemporaryName(shortName ? folder : target, NextRandom());
        {
            system::InterruptsHeld held;
            RegisterTemporary(temporary);
            error.clear();
            handle = system::CreateTemporary(temporary, old, error);
            if (handle != kNoFile) return {};
            UnregisterTemporary(temporary);
        }
        if (!shortName && system::NameMayBeTooLong(error)) {
            shortName = true;
        } else if (error != std::errc::file_exists) {
            break;
        }
    }
    temporary.clear();
    return error;
}

}  // namespace

OutputBatch::OutputBatch(CommitListener committed) : committed_(std::move(committed)) {}
OutputBatch::~OutputBatch() = default;

OutputBatch::Failure OutputBatch::Write(const std::string& path, bool replace,
                                        std::span<const std::uint8_t> bytes) {
    // A full group is committed before the next file joins it, so that the
    // listener hears only of writes their caller has seen end.
    if (group_.size() >= GroupSize()) CommitGroup();
    std::error_code error;
    const PathEnd end = FollowLinks(path, error);
    if (error) return {false, error};
    // Asks what a plain create would of an output that is there (or may be:
    // a path the system would not look at); a missing one needs no asking.
    system::ExistingOutput old;
    if (end.kind != PathKind::Missing) {
        old = system::ProbeOutput(end.path, error);
        if (error) return {false, error};
    }
    auto output = std::make_unique<Output>();
    output->target = end.path;
    output->replace = replace;
    if (old.kind == PathKind::Other) {  // a device, written in place
        output->handle = old.device;
        std::uint64_t put = 0;
        if ((error = system::WriteAll(output->handle, bytes, put))) return {true, error, put};
        Add(std::move(output));
        return {false, {}, put};
    }
    const std::string folder = FolderOf(end.path);
    auto known = std::find_if(folders_.begin(), folders_.end(),
                              [&folder](const auto& seen) { return seen.first == folder; });
    if (known == folders_.end()) {
        RemoveStaleTemporaries(folder);
        known = folders_.insert(folders_.end(), {folder, system::RefusesMoves(folder)});
    }
    // A temporary there could neither be moved nor removed: nothing is begun.
    if (known->second) return {false, known->second};
    MakeRoom(folder, bytes.size());
    Failure failure = WriteTemporary(*output, old, bytes);
    // The room was estimated in blocks of 4 KiB; a disk of larger clusters
    // (an SD card's) takes more, and the files waiting hold handles. With
    // outputs waiting, they are committed and this one is tried again, so a
    // batch needs no more room or handles than the same files one at a time.
    if (failure && MakeWayFor(failure.error)) failure = WriteTemporary(*output, old, bytes);
    if (!failure) Add(std::move(output));
    return failure;
}

OutputBatch::Failure OutputBatch::WriteTemporary(Output& output, const system::ExistingOutput& old,
                                                 std::span<const std::uint8_t> bytes) {
    if (std::error_code error =
            CreateTemporary(output.target, old, output.temporary, output.handle))
        return {false, error};
    std::uint64_t put = 0;
    if (std::error_code error = system::WriteAll(output.handle, bytes, put)) {
        // Its room is free at once, for the outputs after it.
        system::RemoveFile(output.temporary.c_str());
        system::Close(std::exchange(output.handle, kNoFile));
        UnregisterTemporary(output.temporary);
        output.temporary.clear();
        return {true, error};
    }
    return {};
}

OutputBatch::Failure OutputBatch::WriteStandardOutput(std::span<const std::uint8_t> bytes) {
    if (group_.size() >= GroupSize()) CommitGroup();
    auto output = std::make_unique<Output>();
    std::error_code error;
    output->handle = system::DuplicateStandardOutput(error);
    if (error) return {false, error};
    std::uint64_t put = 0;
    if ((error = system::WriteAll(output->handle, bytes, put))) return {true, error, put};
    Add(std::move(output));
    return {false, {}, put};
}

void OutputBatch::MakeRoom(const std::string& folder, std::uint64_t bytes) {
    auto room = std::find_if(room_.begin(), room_.end(),
                             [&folder](const auto& known) { return known.first == folder; });
    if (room == room_.end()) room = room_.insert(room_.end(), {folder, system::FreeBytes(folder)});
    if (room->second < Blocks(bytes) && !group_.empty()) {
        // What waits is committed first, so a batch needs no more room than
        // the same files one at a time.
        CommitGroup();
        room = room_.insert(room_.end(), {folder, system::FreeBytes(folder)});
    }
    room->second -= std::min(room->second, Blocks(bytes));
}

void OutputBatch::Add(std::unique_ptr<Output> output) {
    if (output->temporary.empty()) {
        // A device written in place is let go at once: a reader of a pipe
        // may wait for its end before it opens the next output.
        output->closed = system::Close(std::exchange(output->handle, kNoFile));
    } else {
        system::StartWriteBack(output->handle);
    }
    group_.push_back(std::move(output));
}

std::vector<std::error_code> OutputBatch::Commit() {
    CommitGroup();
    return std::exchange(results_, {});
}

bool OutputBatch::MakeWayFor(std::error_code error) {
    if (group_.empty() || !(system::IsOutOfRoom(error) || system::IsOutOfHandles(error)))
        return false;
    CommitGroup();
    return true;
}

void OutputBatch::CommitGroup() {
    std::vector<FileHandle> handles;
    std::vector<std::string> inFolders;
    for (const auto& output : group_) {
        if (output->temporary.empty()) continue;
        handles.push_back(output->handle);
        inFolders.push_back(FolderOf(output->temporary));
    }
    const std::vector<std::error_code> synced = system::SyncOutputs(handles, inFolders);

    // From the first move until the listener has heard of every file in
    // place, an interrupt waits.
    const system::InterruptsDeferred deferred;
    std::vector<std::string> folders;  // few: a batch mostly writes into one
    std::vector<bool> moved(group_.size(), false);
    const std::size_t first = results_.size();  // this group's first result
    std::size_t next = 0;                       // into synced
    for (std::size_t i = 0; i < group_.size(); ++i) {
        Output& output = *group_[i];
        std::error_code& result = results_.emplace_back(output.closed);
        if (output.temporary.empty()) continue;  // a device, done
        if ((result = synced[next++]) ||
            (result = system::MoveIntoPlace(output.temporary, output.target, output.replace)))
            continue;
        UnregisterTemporary(output.temporary);
        output.temporary.clear();
        moved[i] = true;
        // The bytes are on the disk and in place; closing only lets go of them.
        system::Close(std::exchange(output.handle, kNoFile));
        std::string folder = FolderOf(output.target);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    }
    for (const std::string& folder : folders) {
        if (!system::SyncFolder(folder)) continue;
        // In place, but not yet safe from a power cut: not a success.
        for (std::size_t i = 0; i < group_.size(); ++i)
            if (moved[i] && FolderOf(group_[i]->target) == folder)
                results_[first + i] = FileError::FolderNotFlushed;
    }
    if (committed_) committed_(std::span(results_).subspan(first));
    group_.clear();  // removes the temporaries that were not moved
    room_.clear();
}

}  // namespace ondrel
