#pragma once

// Runs a program as its own process, the way a shell would, and collects
// what it printed.

#include <functional>
#include <string>
#include <vector>

namespace ondrel::test_support {

struct ProgramRun {
    int status = -1;  // the exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Starts program with args in folder, standard input empty, and waits for it.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& folder);

// As RunProgram, and runs meanwhile once the program has started, before it
// is waited for: what goes on around a run (an interrupt, another program).
ProgramRun RunProgramWhile(const std::string& program, const std::vector<std::string>& args,
                           const std::string& folder, const std::function<void()>& meanwhile);

// Starts one run of program for each list of args, all before any is waited
// for, as two users or scripts would; one result each, in order.
std::vector<ProgramRun> RunTogether(const std::string& program,
                                    const std::vector<std::vector<std::string>>& runs,
                                    const std::string& folder);

// The ondrel-convert program built beside the running test.
std::string ConverterProgram();

}  // namespace ondrel::test_support
