// Runs the program under measurement as a child process and waits: its exit,
// wall time and peak memory. For the terminal mode's benchmarks.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace ld::bench {

struct ChildRun {
    bool exitedZero = false;
    int exitCode = -1;
    double wallMs = 0;
    long peakKiB = 0;  // the child's peak resident set
};

// Runs the program with the arguments, its output thrown away (or written
// to outputFile), and waits.
inline ChildRun runChild(const std::vector<std::string>& command,
                         const std::string& outputFile = "") {
    std::vector<char*> argv;
    for (const std::string& part : command) {
        argv.push_back(const_cast<char*>(part.c_str()));
    }
    argv.push_back(nullptr);
    std::fflush(nullptr);  // the child must not write out what this process buffered
    const auto began = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        std::freopen(outputFile.empty() ? "/dev/null" : outputFile.c_str(), "w", stdout);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    ChildRun run;
    if (child > 0 && wait4(child, &status, 0, &usage) == child) {
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.exitedZero = run.exitCode == 0;
        run.peakKiB = usage.ru_maxrss;
    }
    run.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    return run;
}

}  // namespace ld::bench
