// Giving a complete download its final name over an existing file, with each file call on
// the way failing, or the process ending there: every outcome leaves either the new bytes
// under the final name or a download that starts over (or resumes the new bytes), never the
// old bytes taken for finished.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "engine/record_saver.h"
#include "engine/resume_metadata.h"
#include "engine/target_claims.h"
#include "engine/target_file.h"
#include "tests/engine/injected_failures.h"
#include "xldl/task_layout.h"

namespace ld::engine::testing {
namespace {

namespace fs = std::filesystem;

const std::string kOld(100'000, 'o');
const std::string kNew = std::string(60'000, 'n') + std::string(40'000, 'N');

// Never destroyed through its interface, whose destructor is protected for that reason.
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor)
class Writer final : public TargetWriter {
  public:
    void supersede() override {}
};

// Which of the two files the bytes are, for messages.
const char* whose(const std::string& bytes) {
    return bytes == kNew ? "the new file" : bytes == kOld ? "the old file" : "neither file";
}

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// How the k-th call of the rename's file calls is made to go wrong.
enum class Injected { Fail, EndProcess };

class SwapStepsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("xldl-swap-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        setFileCallHook(nullptr);
        fs::remove_all(folder_);
    }

    // The data of a finished download under its partial name with a record saying so, and
    // the old file under the final name.
    TaskRequest prepare() {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        std::ofstream(folder_ / "lecture.flv", std::ios::binary) << kOld;
        TaskRequest request;
        request.url = "http://127.0.0.1:9/lecture.flv";
        request.fileName = "lecture.flv";
        request.folder = folder_.string() + "/";
        request.noRenaming = true;
        request.resume = true;
        return request;
    }

    ResumeMetadata completeRecord(const TaskRequest& request) const {
        const auto size = static_cast<std::int64_t>(kNew.size());
        return {request.url, {size, "\"v2\"", ""}, {Segment{0, size, size}}};
    }

    // Renames the finished data with `count` of its file calls from the k-th on going wrong;
    // false when it makes fewer than k calls. The task's part on a failure (saving its
    // record, closing) is done as the task does it.
    bool renameWithStep(int k, int count, Injected injected, int& code) {
        const TaskRequest request = prepare();
        TargetClaims claims;
        RecordSaver saver;
        Writer writer;
        TargetFile target(request, claims, saver, writer);
        EXPECT_EQ(target.open(), 0);
        EXPECT_EQ(target.writeAt(0, kNew.data(), kNew.size()), 0);
        EXPECT_TRUE(target.saveResume(completeRecord(request)));

        int calls = 0;
        setFileCallHook([&](const FileCall& call) {
            if (call.kind == FileCall::Kind::Open || call.kind == FileCall::Kind::Write) {
                return 0;
            }
            ++calls;
            if (calls < k || calls >= k + count) {
                return 0;
            }
            if (injected == Injected::EndProcess) {
                ::_exit(0);
            }
            return EIO;
        });
        code = target.moveToFinalName();
        setFileCallHook(nullptr);
        if (code != 0) {
            target.saveResume(completeRecord(request));
            target.close(true);
        }
        return calls >= k;
    }

    // What a later run finds: the record, if any, claims only the new bytes.
    void expectNothingWrongIsResumed() const {
        const fs::path record = folder_ / "lecture.flv.xldl.meta";
        if (!fs::exists(record)) {
            return;  // the next run starts over
        }
        const auto parsed = parseMetadata(contentOf(record));
        ASSERT_TRUE(parsed.has_value());
        const std::string data = contentOf(folder_ / "lecture.flv.xldl");
        for (const Segment& s : parsed->segments) {
            ASSERT_LE(static_cast<std::size_t>(s.pos), data.size());
            const auto from = static_cast<std::size_t>(s.begin);
            const auto length = static_cast<std::size_t>(s.pos - s.begin);
            EXPECT_TRUE(data.compare(from, length, kNew, from, length) == 0)
                << "the record claims bytes of " << whose(data) << " in the partial file";
        }
    }

    fs::path folder_;
};

TEST_F(SwapStepsTest, FailingStepsLeaveTheNewFileOrAFailureThatResumesIt) {
    int steps = 0;
    // One call failing, two in a row (the old data's removal and the swap back), or every
    // call from there on.
    for (const int count : {1, 2, 1000})
        for (int k = 1;; ++k) {
            SCOPED_TRACE(std::to_string(count) + " calls fail from call " + std::to_string(k));
            int code = -1;
            if (!renameWithStep(k, count, Injected::Fail, code)) {
                EXPECT_EQ(code, 0);
                break;
            }
            ++steps;
            const std::string final = contentOf(folder_ / "lecture.flv");
            if (code == 0) {
                EXPECT_EQ(final, kNew);
                EXPECT_FALSE(fs::exists(folder_ / "lecture.flv.xldl.meta"));
            } else {
                EXPECT_EQ(code, XLDL_FAIL_RENAME);
                EXPECT_TRUE(final == kOld || final == kNew);
                EXPECT_EQ(contentOf(folder_ / "lecture.flv.xldl"), kNew);  // kept to resume
            }
            expectNothingWrongIsResumed();
        }
    EXPECT_GE(steps, 3 * 3);  // at least the record's removal, the swap, the old data's removal
}

TEST_F(SwapStepsTest, AnEndAtAnyStepLeavesTheNewFileOrADownloadThatStartsOver) {
    for (int k = 1; k < 20; ++k) {
        SCOPED_TRACE("the process ends at call " + std::to_string(k));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int code = -1;
            const bool reached = renameWithStep(k, 1, Injected::EndProcess, code);
            ::_exit(reached ? 1 : 2);  // 0 when it ended at the call
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 2) {
            break;  // fewer calls than k: every step has been cut once
        }
        EXPECT_EQ(WEXITSTATUS(status), 0);
        const std::string final = contentOf(folder_ / "lecture.flv");
        EXPECT_TRUE(final == kOld || final == kNew) << whose(final);
        expectNothingWrongIsResumed();
    }
}

}  // namespace
}  // namespace ld::engine::testing
