// The order in which outputs reach the disk, the same on every system: a
// group's bytes written, then all put on the disk, then each temporary moved
// over its output while still held, then the folders synced. A crash at any
// point leaves every output either old or whole.

#include "platform/file_io.h"

#include <algorithm>
#include <cerrno>

#include "platform/system_files.h"
#include "platform/temporaries.h"

namespace ondrel {
namespace {

// Files held open in one group: well under the descriptors a process gets
// (1,024 on Linux) and the C library's streams on Windows (512).
constexpr std::size_t kGroupSize = 128;

}  // namespace

OutputFile::OutputFile(std::FILE* stream, std::string target, std::string temporary, bool replace)
    : stream_(stream),
      target_(std::move(target)),
      temporary_(std::move(temporary)),
      replace_(replace) {
    if (!temporary_.empty()) RegisterTemporary(temporary_);
}

OutputFile::~OutputFile() {
    if (!temporary_.empty()) system::RemoveFile(temporary_.c_str());
    if (stream_) std::fclose(stream_);
    if (!temporary_.empty()) UnregisterTemporary(temporary_);
}

void OutputBatch::MakeRoom(const std::string& path, std::uint64_t bytes) {
    if (!group_.empty() && system::FreeBytes(system::FolderOf(path)) < bytes) CommitGroup();
}

void OutputBatch::Add(std::unique_ptr<OutputFile> file) {
    if (group_.size() == kGroupSize) CommitGroup();
    std::error_code error;
    if (file->temporary_.empty()) {
        // A device written in place is let go at once: a reader of a pipe
        // may wait for its end before it opens the next output.
        if (std::fclose(file->stream_) != 0)
            error = std::error_code(errno, std::generic_category());
        file->stream_ = nullptr;
    } else if ((error = system::FlushOutput(file->stream_, true))) {
        file.reset();  // its room is free at once for the outputs after it
    }
    group_.push_back({std::move(file), error});
}

std::vector<std::error_code> OutputBatch::Commit() {
    CommitGroup();
    return std::move(results_);
}

void OutputBatch::CommitGroup() {
    std::vector<std::FILE*> streams;
    for (const Entry& entry : group_)
        if (!entry.error && !entry.file->temporary_.empty()) streams.push_back(entry.file->stream_);

    const std::vector<std::error_code> synced = system::SyncOutputs(streams);

    std::vector<std::string> folders;  // few: a batch mostly writes into one
    std::size_t next = 0;              // into synced
    for (Entry& entry : group_) {
        std::error_code& result = results_.emplace_back(entry.error);
        if (result || entry.file->temporary_.empty()) continue;  // failed, or a device done
        OutputFile& file = *entry.file;
        if ((result = synced[next++])) continue;
        if ((result = system::MoveIntoPlace(file.temporary_, file.target_, file.replace_)))
            continue;
        UnregisterTemporary(file.temporary_);
        file.temporary_.clear();
        // The bytes are on the disk and in place; closing only lets go of them.
        std::fclose(file.stream_);
        file.stream_ = nullptr;
        std::string folder = system::FolderOf(file.target_);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    }
    for (const std::string& folder : folders) system::SyncFolder(folder);
    group_.clear();  // removes the temporaries that were not moved
}

}  // namespace ondrel
