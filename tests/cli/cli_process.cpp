#include "tests/cli/cli_process.h"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace ld::cli_test {
namespace {

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

int exitCodeOf(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

int endingSignalOf(int status) {
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

std::vector<std::string> childEnvironment(const std::map<std::string, std::string>& changes) {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const auto equals = text.find('=');
        if (equals != std::string::npos) {
            variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    variables.erase("DISPLAY");
    variables.erase("WAYLAND_DISPLAY");
    variables.erase("QT_QPA_PLATFORM");
    for (const auto& [name, value] : changes) {
        if (value.empty()) {
            variables.erase(name);
        } else {
            variables[name] = value;
        }
    }
    std::vector<std::string> result;
    for (const auto& [name, value] : variables) {
        result.push_back(name + "=" + value);
    }
    return result;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::vector<std::string>& environment) {
    char errTemplate[] = "/tmp/cli-test-err-XXXXXX";
    const int errFd = mkstemp(errTemplate);
    if (errFd < 0) {
        throw std::runtime_error("mkstemp failed");
    }
    errFile_ = errTemplate;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // The child starts as from an interactive shell, every signal with its
    // default action: Ctrl+C and its kin end it and a write to a closed pipe
    // raises SIGPIPE, whatever this process ignores (its HTTP server ignores
    // SIGPIPE; a test run in the background may have SIGINT ignored).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigfillset(&defaults);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = environment;
    std::vector<char*> argPointers = pointers(argv);
    std::vector<char*> envPointers = pointers(envp);
    const int spawned = posix_spawn(&pid_, program.c_str(), &actions, &attributes,
                                    argPointers.data(), envPointers.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    close(errFd);
    if (spawned != 0) {
        close(pipeFds[0]);
        throw std::runtime_error("cannot start " + program);
    }
    out_ = fdopen(pipeFds[0], "r");
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (out_ != nullptr) {
        std::fclose(out_);
    }
    if (!errFile_.empty()) {
        unlink(errFile_.c_str());
    }
}

std::optional<std::string> ChildProcess::readLine() {
    if (out_ == nullptr) {
        return std::nullopt;
    }
    std::string line;
    for (int c = std::fgetc(out_); c != EOF; c = std::fgetc(out_)) {
        outSoFar_ += static_cast<char>(c);
        if (c == '\n') {
            return line;
        }
        line += static_cast<char>(c);
    }
    if (line.empty()) {
        return std::nullopt;
    }
    return line;
}

void ChildProcess::closeOutput() {
    if (out_ != nullptr) {
        std::fclose(out_);
        out_ = nullptr;
    }
}

void ChildProcess::signal(int number) {
    kill(pid_, number);
}

bool ChildProcess::ended() const {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid_;
}

Finished ChildProcess::finish() {
    while (readLine()) {
    }
    Finished finished;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    finished.exitCode = exitCodeOf(status);
    finished.endingSignal = endingSignalOf(status);
    finished.out = outSoFar_;
    finished.err = readFile(errFile_);
    return finished;
}

Finished runToEnd(const std::string& program, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment) {
    ChildProcess child(program, arguments, environment);
    return child.finish();
}

Finished runOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment, int columns) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = environment;
    std::vector<char*> argPointers = pointers(argv);
    std::vector<char*> envPointers = pointers(envp);
    winsize size{};
    size.ws_row = 24;
    size.ws_col = static_cast<unsigned short>(columns);
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, &size);
    if (pid < 0) {
        throw std::runtime_error("forkpty failed");
    }
    if (pid == 0) {
        execve(program.c_str(), argPointers.data(), envPointers.data());
        _exit(127);
    }
    Finished finished;
    char buffer[4096];
    for (;;) {
        const ssize_t count = read(terminal, buffer, sizeof buffer);
        if (count > 0) {
            finished.out.append(buffer, static_cast<std::size_t>(count));
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // EIO once the child has closed its side
        }
    }
    close(terminal);
    int status = 0;
    waitpid(pid, &status, 0);
    finished.exitCode = exitCodeOf(status);
    finished.endingSignal = endingSignalOf(status);
    return finished;
}

std::vector<std::string> liveLineStates(const std::string& terminalOutput) {
    const std::string erase = "\r\x1b[K";
    std::vector<std::string> states;
    std::size_t at = 0;
    while ((at = terminalOutput.find(erase, at)) != std::string::npos) {
        at += erase.size();
        const std::size_t next = terminalOutput.find(erase, at);
        std::string piece = terminalOutput.substr(at, next == std::string::npos ? next : next - at);
        if (!piece.empty() && piece.find('\n') == std::string::npos) {
            states.push_back(std::move(piece));
        }
    }
    return states;
}

}  // namespace ld::cli_test
