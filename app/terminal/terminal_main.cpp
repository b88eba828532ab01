#include "app/terminal/terminal_main.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/command_arguments.h"
#include "app/executable_path.h"
#include "app/program_folder.h"
#include "app/terminal/output_folder.h"
#include "app/terminal/session_report.h"
#include "app/terminal/standard_streams.h"
#include "app/terminal/stop_signals.h"
#include "app/terminal/terminal_options.h"
#include "app/terminal/terminal_session.h"
#include "download/loaded_engine_library.h"
#include "text/codepage.h"

namespace ld {
namespace {

std::vector<std::string_view> viewsOf(const std::vector<std::string>& arguments) {
    return {arguments.begin(), arguments.end()};
}

// The running executable's full path, UTF-8 (the engine library sits beside it).
std::string executablePathUtf8(const char* argv0) {
    std::filesystem::path self = executablePath();
    if (self.empty()) {
        std::error_code error;
        self = std::filesystem::absolute(argv0 != nullptr ? argv0 : "", error);
    }
    const std::u8string path = self.u8string();
    return {path.begin(), path.end()};
}

ReportStyle reportStyleFor(const TerminalOptions& options, const StandardStreams& streams) {
    if (options.json) {
        return ReportStyle::jsonLines;
    }
    return streams.outputIsTerminal() ? ReportStyle::liveTerminal : ReportStyle::plainLines;
}

// The folder the files go to, as an absolute path (the current folder by default).
std::string outputFolder(const TerminalOptions& options) {
    const std::u8string given(options.outputFolder.begin(), options.outputFolder.end());
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::absolute(given.empty() ? std::filesystem::path(".") : given, error);
    const std::u8string absolute =
        (error ? std::filesystem::path(given) : folder).lexically_normal().u8string();
    std::string text(absolute.begin(), absolute.end());
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

int exitCodeOf(const TerminalOptions& options, const SessionSummary& summary) {
    if (summary.interrupted) {
        return kExitInterrupted;
    }
    if (summary.lectures == 0) {
        return kExitCatalogueUnavailable;
    }
    if (!summary.problem.empty()) {
        return kExitSomeNotDownloaded;  // the folder or the disk stopped the batch
    }
    if (options.command == TerminalCommand::list) {
        return kExitAllDownloaded;
    }
    return summary.missed.empty() ? kExitAllDownloaded : kExitSomeNotDownloaded;
}

// Why the search listed nothing: the parse page's status line when it tells
// more than "still working".
std::string nothingListedProblem(TerminalSession& session) {
    const std::string status = session.parseStatus();
    std::string problem = "未能列出课程的任何一讲（课程目录无法获取或为空）";
    if (!status.empty() && status != "解析中，请稍后" && status != "下载地址解析中。。。") {
        problem += "：" + status;
    }
    return problem;
}

int runSession(const TerminalOptions& options, const std::string& programFolder, StopSignals& stop,
               StandardStreams& streams) {
    const std::unique_ptr<SessionReport> report = makeSessionReport(
        reportStyleFor(options, streams), options.command == TerminalCommand::list,
        ReportTarget{streams.out(), streams.errors(), [&] { return streams.outputColumns(); },
                     [&] { return streams.outputClosed(); }});
    const std::u8string folder(programFolder.begin(), programFolder.end());
    // The engine library cannot be found: nothing can be downloaded. The
    // window stops with an error box; here the message goes to standard error.
    LoadedEngineLibrary engine(
        std::filesystem::path(folder) / kEngineLibraryFileName, [&streams](const Text& message) {
            streams.errors() << terminalProgramName() << ": " << gbkToUtf8(message) << '\n';
            streams.errors().flush();
            std::_Exit(kExitSomeNotDownloaded);
        });
    SessionSummary summary;
    const bool downloading = options.command == TerminalCommand::download;
    const std::string saveFolder = downloading ? outputFolder(options) : std::string();
    PreparedOutputFolder prepared;
    if (downloading) {
        // A folder that cannot be used ends the command before anything is fetched.
        prepared = prepareOutputFolder(saveFolder);
        summary.problem = prepared.problem;
        if (!summary.problem.empty()) {
            summary.exitCode = kExitSomeNotDownloaded;
            report->summary(summary);
            return summary.exitCode;
        }
    }
    TerminalSession session(engine, programFolder);
    const TerminalSession::Ending searched =
        session.search(options.courseAddress, options.items, *report, stop);
    if (searched == TerminalSession::Ending::badItems) {
        // Known only once the catalogue tells the course's lectures.
        summary.problem = "--items: " + session.itemsProblem();
        summary.exitCode = kExitUsage;
        removeUnusedOutputFolders(prepared);
        report->summary(summary);
        streams.out().flush();
        std::_Exit(kExitUsage);  // the resolution has started; nobody waits for it
    }
    if (searched == TerminalSession::Ending::interrupted) {
        summary.interrupted = true;
        summary.lectures = session.chosenCount();
        summary.exitCode = kExitInterrupted;
        removeUnusedOutputFolders(prepared);
        report->summary(summary);
        if (session.workersRunning()) {
            // A request is still open and nobody waits for it: end here, as
            // the window ends its process with workers still running.
            streams.out().flush();
            std::_Exit(kExitInterrupted);
        }
        return kExitInterrupted;
    }
    summary.lectures = session.chosenCount();
    if (summary.lectures == 0) {
        summary.problem = nothingListedProblem(session);
        removeUnusedOutputFolders(prepared);
    } else if (downloading) {
        session.download(saveFolder, options.force, *report, stop, summary);
    }
    std::stable_sort(
        summary.missed.begin(), summary.missed.end(),
        [](const MissedLecture& a, const MissedLecture& b) { return a.number < b.number; });
    summary.exitCode = exitCodeOf(options, summary);
    report->summary(summary);
    return summary.exitCode;
}

}  // namespace

bool wantsTerminal(int argc, char** argv) {
    const std::vector<std::string> arguments = commandArguments(argc, argv);
    return isTerminalCommand(viewsOf(arguments));
}

int runTerminal(int argc, char** argv) {
    const std::vector<std::string> arguments = commandArguments(argc, argv);
    const ParsedTerminalArguments parsed = parseTerminalArguments(viewsOf(arguments));
    StandardStreams streams;
    if (parsed.outcome == ParsedTerminalArguments::Outcome::showHelp) {
        streams.out() << parsed.text;
        return kExitAllDownloaded;
    }
    if (parsed.outcome == ParsedTerminalArguments::Outcome::usageError) {
        streams.errors() << parsed.text;
        return kExitUsage;
    }
    StopSignals stop;  // before the first thread starts
#if defined(SIGXFSZ)
    // A file size limit (ulimit -f) fails the file as a full disk would,
    // instead of ending the process in the middle of a write.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    const std::string programFolder =
        programFolderOf(executablePathUtf8(argc > 0 ? argv[0] : nullptr));
    const int exitCode = runSession(parsed.options, programFolder, stop, streams);
    streams.out().flush();
    return exitCode;
}

}  // namespace ld
