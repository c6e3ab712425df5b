#pragma once

// The steps of reading and writing files, each declared once here. Those
// that differ between systems are written once in posix/ and in win32/; the
// rest (FollowLinkChain) once in paths.cpp. What is done with them, and in
// which order, is written once: paths.cpp, input_read.cpp, output_batch.cpp.
// Only the platform layer uses these.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/file_io.h"

namespace ondrel::system {

// Errors: the system's reason for the call that just failed (errno, or
// GetLastError on Windows), as the one error_code of this program.
std::error_code LastError();

// Paths.
// The characters that end a folder's part of a path ("/", or "\\/:").
extern const char* const kSeparators;
// The separator put between a folder and a name.
extern const char kSeparator;
// A path's spelling as the system compares names: as given, or in one case.
std::string FoldedCase(std::string path);
// A name the system opens as a device in any folder (NUL, COM1 on Windows).
bool IsReservedDeviceName(const std::string& path);

// What a path names, without following a link at its end: a symbolic link's
// target as written in it (relative to the link's folder, or absolute).
struct PathStep {
    PathKind kind = PathKind::Unknown;
    std::string linkTarget;  // for PathKind::Link
    std::error_code error;   // a link that cannot be read
};
PathStep LookAt(const std::string& path);
// Whether a link's target is absolute rather than relative to its folder.
bool IsAbsolute(const std::string& target);
// Where a target that is neither absolute nor relative to its folder starts:
// on Windows, a rooted path without a drive (\dir\file) is on the drive or
// share of the link's own path; empty where there are no such paths.
std::string RootOf(const std::string& linkPath);
// FollowLinks with the steps taken by lookAt (LookAt, or a test's).
PathEnd FollowLinkChain(const std::string& path, PathStep (*lookAt)(const std::string&),
                        std::error_code& error);

// Reading (the inputs are opened by OpenInputFile and OpenStandardInput).
// Reads what the handle gives at once, up to size bytes: 0 at the end.
std::size_t ReadSome(FileHandle handle, std::uint8_t* into, std::size_t size,
                     std::error_code& error);
std::error_code Close(FileHandle handle);
// A regular file's stamp now; none when it cannot be asked.
std::optional<FileStamp> StampOf(FileHandle handle);

// Creating an output.
// A handle of its own on standard output.
FileHandle DuplicateStandardOutput(std::error_code& error);
// What the output that a new file replaces is: nothing (Missing), a file
// whose rights and owner the new file takes, or a device (a pipe, NUL),
// which is written in place through device.
struct ExistingOutput {
    PathKind kind = PathKind::Missing;
    FileHandle device = kNoFile;
    std::uint32_t owner = 0, group = 0, mode = 0;  // of a file, where the system has them
};
// Asks of an existing output what creating it would: may this user write
// (and, on Windows, replace) it, is it a folder, does a pipe have a reader.
ExistingOutput ProbeOutput(const std::string& target, std::error_code& error);
// Creates the new file at temporary, which must not exist, held so that
// another run's clean-up can tell it is alive, with the rights and owner of
// the file it replaces. std::errc::file_exists when the name is taken (or
// was taken away before it was held): the caller tries another name, and a
// shorter one when NameMayBeTooLong says the error may mean this name's
// length.
FileHandle CreateTemporary(const std::string& temporary, const ExistingOutput& old,
                           std::error_code& error);
bool NameMayBeTooLong(std::error_code error);
// Whether a failed create or write found the disk (or the user's quota)
// full.
bool IsOutOfRoom(std::error_code error);
// Whether a failed open found no file handle left to the process (or the
// system).
bool IsOutOfHandles(std::error_code error);
// Writes all the bytes, or fails; put counts the bytes written either way.
std::error_code WriteAll(FileHandle handle, std::span<const std::uint8_t> bytes,
                         std::uint64_t& put);
// Starts a written temporary's bytes on their way to the disk where that is
// cheaper later (Linux).
void StartWriteBack(FileHandle handle);
// Puts the bytes of written temporaries on the disk, grouped where the
// system allows it; folders[i] is the folder handles[i] is in. One result
// per handle.
std::vector<std::error_code> SyncOutputs(const std::vector<FileHandle>& handles,
                                         const std::vector<std::string>& folders);
// Moves a finished temporary, still open, over its target. Without replace,
// an existing target is kept and the result is std::errc::file_exists,
// decided by the move itself so that two runs cannot both succeed.
std::error_code MoveIntoPlace(const std::string& temporary, const std::string& target,
                              bool replace);
// Makes the moves into a folder durable: the error of a failed write of the
// folder; a folder that cannot be synced at all is no error.
std::error_code SyncFolder(const std::string& folder);

// The files this process may hold open at once, raised as far as the system
// lets it; asked once per process.
std::size_t OpenFilesAllowed();

// Why a temporary in folder could be neither moved into place nor removed
// (an append-only or immutable folder); none for a folder that takes them.
std::error_code RefusesMoves(const std::string& folder);

// The bytes a new file in folder may still take; the largest value when the
// system cannot tell.
std::uint64_t FreeBytes(const std::string& folder);

// Temporaries.
// The process that writes temporaries now, and a clock that differs between
// any two runs of it.
unsigned long CurrentProcess();
std::uint64_t ClockTicks();
// Calls visit with folder and each name in it that contains part.
void ForEachNameContaining(const std::string& folder, std::string_view part,
                           void (*visit)(const std::string& folder, const char* name));
// Holds off the interrupt that removes this run's temporaries while one is
// registered and made. On Windows the interrupt is handled on a thread of its
// own, which must not look at the registered names between the two; on POSIX
// the handler runs on this thread, and a name registered before its file is
// made is all it needs, so holding costs nothing there.
void HoldInterrupts();
void ReleaseInterrupts();
class InterruptsHeld {
public:
    InterruptsHeld() { HoldInterrupts(); }
    ~InterruptsHeld() { ReleaseInterrupts(); }
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;
};
// Defers the interrupts that end the run (Ctrl-C, SIGTERM, SIGHUP) while
// outputs are moved into place and reported, so that none is replaced
// unreported; one that arrives meanwhile takes effect at the end. On POSIX
// the interrupt still cuts short a call that waits (with EINTR).
void DeferInterrupts();
void ResumeInterrupts();
class InterruptsDeferred {
public:
    InterruptsDeferred() { DeferInterrupts(); }
    ~InterruptsDeferred() { ResumeInterrupts(); }
    InterruptsDeferred(const InterruptsDeferred&) = delete;
    InterruptsDeferred& operator=(const InterruptsDeferred&) = delete;
};

// Removes a temporary that no writer holds any more; one still held is kept.
void RemoveIfAbandoned(const std::string& path);
// Removes a file, if it can; safe in a signal handler, and for a temporary
// this run still holds open.
void RemoveFile(const char* path);

}  // namespace ondrel::system
