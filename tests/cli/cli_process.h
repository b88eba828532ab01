// Runs the terminal program as a child process for the tests: with its output
// on a pipe (or on a pseudo-terminal), a chosen environment, and a way to send
// it a signal half-way.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ld::cli_test {

struct Finished {
    int exitCode = -1;     // 128 + n when ended by signal n, as a shell shows it
    int endingSignal = 0;  // n when ended by signal n, else 0
    std::string out;
    std::string err;
};

// The test's own environment with `changes` applied (an empty value removes
// the variable): DISPLAY and QT_QPA_PLATFORM are always removed.
std::vector<std::string> childEnvironment(const std::map<std::string, std::string>& changes);

class ChildProcess {
  public:
    // Standard output on a pipe, standard error into a temporary file.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();  // kills a child still running

    // The next line of standard output without its newline; nullopt at its end.
    std::optional<std::string> readLine();
    // Closes this end of the output pipe, as a reader that goes away does
    // (`| head`); later writes of the child fail.
    void closeOutput();
    void signal(int number);
    // Whether the child has ended (it stays to be waited for by finish).
    [[nodiscard]] bool ended() const;
    // Reads the rest of the output and waits for the end.
    Finished finish();

  private:
    pid_t pid_ = -1;
    std::FILE* out_ = nullptr;
    std::string outSoFar_;
    std::string errFile_;
};

// Runs the program to its end.
Finished runToEnd(const std::string& program, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment);

// Runs the program on a pseudo-terminal `columns` wide; everything it wrote
// there (output and errors together, as a terminal shows them).
Finished runOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment, int columns);

// The states of the live line in what a terminal was sent: each text drawn
// after "\r\x1b[K" up to the next such redraw, leaving out the empty ones
// and those a finished line's line break ends.
std::vector<std::string> liveLineStates(const std::string& terminalOutput);

}  // namespace ld::cli_test
