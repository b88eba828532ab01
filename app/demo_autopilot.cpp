#include "app/demo_autopilot.h"

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <utility>

#include "text/codepage.h"
#include "window/control_aliases.h"

namespace ld {
namespace {

constexpr std::chrono::milliseconds kAddressesWithin{120'000};
constexpr std::chrono::milliseconds kDownloadsWithin{900'000};

std::string seconds(std::chrono::milliseconds span) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(span).count());
}

std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return {name.begin(), name.end()};
}

// "   1234" right-justified in ten characters, as the file list shows sizes.
std::string sizeColumn(std::uintmax_t size) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%10llu", static_cast<unsigned long long>(size));
    return buffer;
}

}  // namespace

std::filesystem::path absoluteDemoFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    return (error ? folder : absolute).lexically_normal();
}

DemoAutopilot::DemoAutopilot(DemoWindow& window, const std::filesystem::path& folder, Print print)
    : window_(window),
      controls_(window.controls()),
      folder_(absoluteDemoFolder(folder)),
      downloads_(folder_ / "downloads"),
      print_(std::move(print)) {
    std::error_code ignored;  // a folder that cannot be made shows up as unsaved pictures
    std::filesystem::create_directories(downloads_, ignored);
    // Nobody is there to answer the dialogs: the folder picker chooses the
    // demo's folder and a message box is printed instead of waiting for OK.
    const Text chosen = utf8ToGbk(utf8Of(downloads_));
    window_.answerDialogs(
        [chosen](const Text&) { return chosen; },
        [this](const Text& message) { say("message box: " + gbkToUtf8(message)); });
}

void DemoAutopilot::step() {
    switch (stage_) {
        case Stage::search:
            search();
            break;
        case Stage::waitForAddresses:
            waitForAddresses();
            break;
        case Stage::waitForDownloads:
            waitForDownloads();
            break;
        case Stage::done:
            break;
    }
}

void DemoAutopilot::search() {
    window_.showPage(0);
    say("1. course address: " + text(kCourseAddressBox));
    say("   clicking 搜索 (search)");
    window_.click(kSearchButton);
    stage_ = Stage::waitForAddresses;
    stageStart_ = Clock::now();
}

void DemoAutopilot::waitForAddresses() {
    if (text(kParseStatusLabel) != "解析完成") {
        if (stageTime() > kAddressesWithin) {
            finish(1, "no 解析完成 after " + seconds(kAddressesWithin) +
                          " s; the status line reads: " + text(kParseStatusLabel));
        }
        return;
    }
    const int rows = controls_.rowCount(kParseList);
    say("2. " + text(kParseStatusLabel) + " (resolved): " + std::to_string(rows) + " lectures");
    for (int row = 0; row < rows; ++row) {
        say("   " + cell(kParseList, row, kParseNumberColumn) + "  " +
            cell(kParseList, row, kParseTitleColumn) + "  ->  " +
            cell(kParseList, row, kParseAddressColumn));
    }
    picture(0, "1-parsed.png");
    queueAndStart();
}

void DemoAutopilot::queueAndStart() {
    const int before = controls_.rowCount(kParseList);
    window_.click(kRemoveFailedButton);
    say("3. clicked 删除失败 (remove failures): " +
        std::to_string(before - controls_.rowCount(kParseList)) + " row(s) removed");
    window_.click(kAddAllButton);
    say("   clicked 一键加入下载列表 (add all): " +
        std::to_string(controls_.rowCount(kDownloadList)) + " rows in the download list");
    window_.showPage(1);

    window_.click(kBrowseButton);
    say("   chose the folder through 浏览: " + text(kSaveFolderBox));
    picture(1, "2-download-list.png");

    say("4. clicking 开始下载 (start)");
    window_.click(kStartButton);
    reported_.assign(static_cast<std::size_t>(controls_.rowCount(kDownloadList)), false);
    stage_ = Stage::waitForDownloads;
    stageStart_ = Clock::now();
}

void DemoAutopilot::reportFinishedRows(int rows) {
    for (int row = 0; row < rows; ++row) {
        const auto index = static_cast<std::size_t>(row);
        const std::string status = cell(kDownloadList, row, kDownloadStatusColumn);
        if (status == "下载完毕" && index < reported_.size() && !reported_[index]) {
            reported_[index] = true;
            say("   [" + std::to_string(row + 1) + "/" + std::to_string(rows) + "] " + status +
                "  " + cell(kDownloadList, row, kDownloadSizeColumn) + "  " +
                cell(kDownloadList, row, kDownloadTitleColumn));
        }
    }
}

void DemoAutopilot::waitForDownloads() {
    const int rows = controls_.rowCount(kDownloadList);
    reportFinishedRows(rows);
    int finished = 0;
    for (int row = 0; row < rows; ++row) {
        finished += cell(kDownloadList, row, kDownloadStatusColumn) == "下载完毕" ? 1 : 0;
    }
    if (!progressPictured_ && text(kTaskStateLabel) == "下载中") {
        progressPictured_ = true;
        say("   " + text(kTaskStateLabel) + "  " + text(kSpeedLabel));
        picture(1, "3-downloading.png");
    }
    if (text(kTaskStateLabel) == "已取消" && controls_.interval() == 0) {
        finish(1, "the queue stopped: 已取消");
        return;
    }
    if (rows > 0 && finished == rows && controls_.interval() == 0) {
        say("5. every row reads 下载完毕; " + text(kSpeedLabel));
        picture(1, "4-finished.png");
        picture(2, "5-about.png");
        listWrittenFiles();
        finish(0, {});
        return;
    }
    if (stageTime() > kDownloadsWithin) {
        finish(1, "downloads not finished after " + seconds(kDownloadsWithin) + " s");
    }
}

void DemoAutopilot::finish(int exitCode, const std::string& why) {
    stage_ = Stage::done;
    if (exitCode != 0) {
        picture(window_.currentPage(), "failed.png");
        say("FAILED: " + why);
    } else {
        say("done.");
    }
    window_.endRun(exitCode);
}

void DemoAutopilot::say(const std::string& line) {
    print_("demo: " + line + "\n");
}

void DemoAutopilot::picture(int page, const std::string& fileName) {
    const std::filesystem::path path = folder_ / fileName;
    if (window_.savePicture(page, path)) {
        say("   picture: " + utf8Of(path));
    } else {
        say("   could not save " + utf8Of(path));
    }
}

void DemoAutopilot::listWrittenFiles() {
    say("   files in " + utf8Of(downloads_) + ":");
    std::vector<std::pair<std::filesystem::path, std::uintmax_t>> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(downloads_, error)) {
        std::error_code sizeError;
        if (entry.is_regular_file(sizeError)) {
            files.emplace_back(entry.path().filename(), entry.file_size(sizeError));
        }
    }
    std::sort(files.begin(), files.end());
    for (const auto& [name, size] : files) {
        say("     " + sizeColumn(size) + "  " + utf8Of(name));
    }
}

std::string DemoAutopilot::text(Control control) {
    return gbkToUtf8(controls_.getText(control));
}

std::string DemoAutopilot::cell(List list, int row, int column) {
    return gbkToUtf8(controls_.getCellText(list, row, column));
}

std::chrono::milliseconds DemoAutopilot::stageTime() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stageStart_);
}

}  // namespace ld
