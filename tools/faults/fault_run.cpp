#include "tools/faults/fault_run.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "text/codepage.h"

extern char** environ;

namespace ld::faults {

namespace fs = std::filesystem;

fs::path ownFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Shown downloadHere(DownloadEngine& engine, Run& run) {
    return downloadThroughQueue(engine, utf8ToGbk(run.lecture.title),
                                Text(run.platform.playUrl(run.lecture)), run.folder, kRunDeadline);
}

// The same download in a child process of this program.
pid_t spawnChild(Run& run) {
    const std::string self = (ownFolder() / "faults").string();
    const std::string address = run.platform.playUrl(run.lecture);
    std::vector<std::string> args = {self, "--child", address, run.folder, run.lecture.title};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t child = -1;
    if (posix_spawn(&child, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    return child;
}

Shown waitForChild(pid_t child) {
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return Shown::Unsettled;
    }
    return WEXITSTATUS(status) == 0   ? Shown::Finished
           : WEXITSTATUS(status) == 1 ? Shown::Failed
                                      : Shown::Unsettled;
}

}  // namespace ld::faults
