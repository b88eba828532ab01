#include "app/terminal/json_report.h"

#include <nlohmann/json.hpp>

#include <string>
#include <utility>

namespace ld {
namespace {

using json = nlohmann::ordered_json;

json lectureObject(const char* event, const ListedLecture& lecture) {
    return {{"event", event}, {"number", lecture.number}, {"title", lecture.title}};
}

json transferObject(const char* event, const LectureTransfer& transfer) {
    return {{"event", event},
            {"number", transfer.number},
            {"title", transfer.title},
            {"file", transfer.fileName},
            {"position", transfer.position},
            {"count", transfer.batchSize},
            {"bytes_done", transfer.bytesDone},
            {"bytes_total", transfer.bytesTotal}};
}

class JsonLinesReport final : public SessionReport {
  public:
    explicit JsonLinesReport(ReportTarget target) : target_(std::move(target)) {}

    void listed(const ListedLecture& lecture) override { write(lectureObject("listed", lecture)); }

    void resolved(const ListedLecture& lecture) override {
        json line = lectureObject("resolved", lecture);
        if (lecture.failed) {
            line["address"] = nullptr;
            line["status"] = "解析失败";
        } else {
            line["address"] = lecture.address;
        }
        write(line);
    }

    void resolving(int, int) override {}

    void started(const LectureTransfer& transfer) override {
        write(transferObject("started", transfer));
    }

    void progress(const LectureTransfer& transfer) override {
        json line = transferObject("progress", transfer);
        line["bytes_per_second"] = transfer.bytesPerSecond;
        write(line);
    }

    void finished(const LectureTransfer& transfer) override {
        json line = transferObject("finished", transfer);
        line["status"] = "下载完毕";
        write(line);
    }

    void skipped(const LectureTransfer& transfer) override {
        json line = transferObject("skipped", transfer);
        line["status"] = "已存在，跳过";
        write(line);
    }

    void failed(const LectureTransfer& transfer, const std::string& reason) override {
        json line = transferObject("failed", transfer);
        line["status"] = reason;
        write(line);
    }

    void summary(const SessionSummary& summary) override {
        json missed = json::array();
        for (const MissedLecture& lecture : summary.missed) {
            missed.push_back(
                {{"number", lecture.number}, {"title", lecture.title}, {"reason", lecture.reason}});
        }
        json line = {{"event", "summary"},
                     {"lectures", summary.lectures},
                     {"downloaded", summary.downloaded},
                     {"skipped", summary.skipped},
                     {"not_downloaded", missed},
                     {"interrupted", summary.interrupted},
                     {"exit_code", summary.exitCode}};
        if (!summary.problem.empty()) {
            line["problem"] = summary.problem;
        }
        // Once nobody reads the output, the summary still goes to standard error.
        write(line, outputLost() ? target_.errors : target_.out);
    }

    [[nodiscard]] bool outputLost() const override { return ld::outputLost(target_); }

  private:
    void write(const json& line) { write(line, target_.out); }
    static void write(const json& line, std::ostream& to) {
        // Bytes that are not UTF-8 become U+FFFD instead of ending the run.
        to << line.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
        to.flush();
    }

    ReportTarget target_;
};

}  // namespace

std::unique_ptr<SessionReport> makeJsonLinesReport(ReportTarget target) {
    return std::make_unique<JsonLinesReport>(std::move(target));
}

}  // namespace ld
