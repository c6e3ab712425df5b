// The order in which outputs reach the disk, the same on every system: all
// bytes written and closed, then all put on the disk, then each temporary
// moved over its output, then the folders synced. A crash at any point
// leaves every output either old or whole.

#include <algorithm>

#include "platform/file_io.h"
#include "platform/system_files.h"

namespace ondrel {

OutputFile::~OutputFile() {
    if (stream_) std::fclose(stream_);
    if (!temporary_.empty()) system::RemoveFile(temporary_);
}

void OutputBatch::Add(std::unique_ptr<OutputFile> file) {
    if (!entries_.empty()) Close(entries_.back(), false);
    entries_.push_back({std::move(file), {}, false});
}

void OutputBatch::Close(Entry& entry, bool durable) {
    using system::Closing;
    OutputFile& file = *entry.file;
    if (!file.stream_) return;
    const Closing closing = file.temporary_.empty() ? Closing::Device
                            : durable               ? Closing::Durable
                                                    : Closing::WriteBack;
    entry.error = system::CloseOutput(file.stream_, closing);
    entry.onDisk = closing == Closing::Durable;
    file.stream_ = nullptr;
}

std::vector<std::error_code> OutputBatch::Commit() {
    // The last file is still open: syncing it through its own stream needs no
    // second open, which a file whose mode denies its owner reading would refuse,
    // and makes a batch of one exactly the steps of a single durable write.
    if (!entries_.empty()) Close(entries_.back(), true);
    std::vector<std::string> temporaries;
    for (const Entry& entry : entries_)
        if (!entry.error && !entry.onDisk && !entry.file->temporary_.empty())
            temporaries.push_back(entry.file->temporary_);
    const std::vector<std::error_code> synced = system::SyncFiles(temporaries);

    std::vector<std::error_code> results;
    std::vector<std::string> folders;  // few: a batch mostly writes into one
    std::size_t next = 0;              // into synced
    for (Entry& entry : entries_) {
        OutputFile& file = *entry.file;
        std::error_code& result = results.emplace_back(entry.error);
        if (result || file.temporary_.empty()) continue;  // failed, or a device written in place
        if (!entry.onDisk && (result = synced[next++])) continue;
        if ((result = system::MoveIntoPlace(file.temporary_, file.target_))) continue;
        file.temporary_.clear();
        std::string folder = system::FolderOf(file.target_);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    }
    for (const std::string& folder : folders) system::SyncFolder(folder);
    entries_.clear();  // removes the temporaries that were not moved
    return results;
}

}  // namespace ondrel
