#include "cli/tests/run_program.h"

#include <filesystem>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace ondrel::test_support {

#ifdef _WIN32
namespace {

// Quotes one argument so that the C runtime's parser gives it back unchanged.
std::string Quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

HANDLE CaptureFile() {
    char folder[MAX_PATH], path[MAX_PATH];
    if (!::GetTempPathA(MAX_PATH, folder) || !::GetTempFileNameA(folder, "ond", 0, path))
        throw std::runtime_error("no temporary file for the output");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         &inherit, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

// The text a program printed, its line ends (CR LF in text mode) as '\n'.
std::string Captured(HANDLE file) {
    std::string text;
    ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    ::CloseHandle(file);
    for (auto crlf = text.find("\r\n"); crlf != std::string::npos; crlf = text.find("\r\n", crlf))
        text.erase(crlf, 1);
    return text;
}

struct Started {
    PROCESS_INFORMATION process{};
    HANDLE in, out, err;
};

Started Start(const std::string& program, const std::vector<std::string>& args,
              const std::string& folder) {
    std::string line = Quoted(program);
    for (const auto& arg : args) {
        line += ' ';
        line += Quoted(arg);
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE in = ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
    HANDLE out = CaptureFile(), err = CaptureFile();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    // Wine, busy starting and ending the processes of other tests, now and
    // then fails a start; a few tries tell that from a program that cannot run.
    for (int attempt = 0; !::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                            nullptr, folder.c_str(), &startup, &process);
         ++attempt) {
        if (attempt == 4)
            throw std::runtime_error("cannot start " + program + " (error " +
                                     std::to_string(::GetLastError()) + ")");
        ::Sleep(200);
    }
    return Started{process, in, out, err};
}

ProgramRun Finish(Started& started) {
    ::WaitForSingleObject(started.process.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(started.process.hProcess, &code);
    ::CloseHandle(started.process.hThread);
    ::CloseHandle(started.process.hProcess);
    ::CloseHandle(started.in);
    return ProgramRun{static_cast<int>(code), Captured(started.out), Captured(started.err)};
}

}  // namespace

std::string ConverterProgram() {
    char self[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, length);
    return path.substr(0, path.find_last_of("\\/") + 1) + "ondrel-convert.exe";
}

#else

namespace {

std::string Captured(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, file)) text.append(buffer, got);
    std::fclose(file);
    return text;
}

struct Started {
    pid_t child;
    std::FILE *out, *err;
};

Started Start(const std::string& program, const std::vector<std::string>& args,
              const std::string& folder) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, ::fileno(out), 1);
    posix_spawn_file_actions_adddup2(&actions, ::fileno(err), 2);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t child = 0;
    int failed = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) throw std::runtime_error("cannot start " + program);
    return Started{child, out, err};
}

ProgramRun Finish(Started& started) {
    int status = 0;
    ::waitpid(started.child, &status, 0);
    return ProgramRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Captured(started.out),
                      Captured(started.err)};
}

}  // namespace

std::string ConverterProgram() {
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    return self.substr(0, self.rfind('/') + 1) + "ondrel-convert";
}

#endif

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& folder) {
    Started started = Start(program, args, folder);
    return Finish(started);
}

ProgramRun RunProgramWhile(const std::string& program, const std::vector<std::string>& args,
                           const std::string& folder, const std::function<void()>& meanwhile) {
    Started started = Start(program, args, folder);
    meanwhile();
    return Finish(started);
}

std::vector<ProgramRun> RunTogether(const std::string& program,
                                    const std::vector<std::vector<std::string>>& runs,
                                    const std::string& folder) {
    std::vector<Started> started;
    for (const auto& args : runs) started.push_back(Start(program, args, folder));
    std::vector<ProgramRun> finished;
    for (auto& run : started) finished.push_back(Finish(run));
    return finished;
}

}  // namespace ondrel::test_support
