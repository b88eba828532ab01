// sample-platform: runs the sample course platform until SIGINT or SIGTERM.
// Prints the port it listens on as the first line of standard output, so a
// script can start it with --port 0 and read where it went.
#include <pthread.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include "tools/sample-platform/sample_platform.h"

namespace {

void printUsage() {
    std::cerr
        << "usage: sample-platform [options]\n"
           "  --host ADDRESS         address to listen on (default 127.0.0.1)\n"
           "  --port N               port, 0 for any free one (default 0)\n"
           "  --delay-ms N           wait before every answer\n"
           "  --random-delay-ms N    plus a random wait of up to N ms\n"
           "  --play-info-delay-ms N play-info answers wait N ms more\n"
           "  --fail-every N         answer every N-th request with a 500 page\n"
           "  --fail-targets TEXT    answer requests whose target holds TEXT with a 500 page\n"
           "  --drop-after N         close the connection after N body bytes\n"
           "  --rate N               send video bodies at N bytes per second per connection\n"
           "  --video-host NAME      host named in the play addresses\n"
           "  --self-urls            play addresses name this server directly\n"
           "  --lax-query            accept any play-info query\n"
           "  --rotate-keys          a new access key in every play-info answer\n"
           "  --catalogue-notes N    about N bytes of lecture notes in every catalogue\n"
           "  --play-info-notes N    N bytes of notes in every play-info answer\n"
           "  --verbose              one line per request on standard error\n";
}

bool parseNumber(std::string_view text, long long& out) {
    char* end = nullptr;
    const std::string copy(text);
    out = std::strtoll(copy.c_str(), &end, 10);
    return !copy.empty() && end != nullptr && *end == '\0';
}

// Where to listen and how to behave, as the command line says.
struct Settings {
    ld::sample::SamplePlatformOptions options;
    std::string host = "127.0.0.1";
    long long port = 0;
};

// False for a wrong option or value.
bool parseArguments(int argc, char** argv, Settings& settings) {
    ld::sample::SamplePlatformOptions& options = settings.options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long long number = 0;
        auto numberArg = [&](long long& target) {
            if (!hasValue || !parseNumber(argv[i + 1], number) || number < 0) {
                return false;
            }
            target = number;
            ++i;
            return true;
        };
        long long value = 0;
        if (arg == "--host" && hasValue) {
            settings.host = argv[++i];
        } else if (arg == "--port" && numberArg(settings.port)) {
        } else if (arg == "--delay-ms" && numberArg(value)) {
            options.answerDelay = std::chrono::milliseconds(value);
        } else if (arg == "--random-delay-ms" && numberArg(value)) {
            options.randomExtraDelay = std::chrono::milliseconds(value);
        } else if (arg == "--play-info-delay-ms" && numberArg(value)) {
            options.playInfoDelay = std::chrono::milliseconds(value);
        } else if (arg == "--fail-every" && numberArg(value)) {
            options.failEveryNth = static_cast<int>(value);
        } else if (arg == "--fail-targets" && hasValue) {
            options.failTargetsContaining = argv[++i];
        } else if (arg == "--drop-after" && numberArg(value)) {
            options.dropAfterBytes = value;
        } else if (arg == "--rate" && numberArg(value)) {
            options.videoBytesPerSecond = value;
        } else if (arg == "--video-host" && hasValue) {
            options.videoHost = argv[++i];
        } else if (arg == "--self-urls") {
            options.playUrlsNameSelf = true;
        } else if (arg == "--lax-query") {
            options.strictPlayInfoQuery = false;
        } else if (arg == "--rotate-keys") {
            options.rotatePlayKeys = true;
        } else if (arg == "--catalogue-notes" && numberArg(value)) {
            options.catalogueNotesBytes = static_cast<std::size_t>(value);
        } else if (arg == "--play-info-notes" && numberArg(value)) {
            options.playInfoNotesBytes = static_cast<std::size_t>(value);
        } else if (arg == "--verbose") {
            options.logRequests = true;
        } else {
            return false;
        }
    }
    return settings.port <= 65535;
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!parseArguments(argc, argv, settings)) {
        printUsage();
        return 2;
    }
    const ld::sample::SamplePlatformOptions& options = settings.options;
    const std::string& host = settings.host;
    const long long port = settings.port;

    // Block the stop signals before any thread starts, so every thread
    // inherits the mask and sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ld::sample::SamplePlatform platform(options);
    const int bound = platform.start(host, static_cast<int>(port));
    if (bound < 0) {
        std::cerr << "sample-platform: cannot listen on " << host << ':' << port << '\n';
        return 1;
    }
    std::cout << bound << std::endl;
    std::cerr << "sample-platform: serving on " << platform.address()
              << " (use it as http_proxy); play addresses name " << platform.videoAuthority()
              << '\n';

    int received = 0;
    sigwait(&stopSignals, &received);
    platform.stop();
    return 0;
}
