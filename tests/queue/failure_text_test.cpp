// The words a failed row shows: every engine failure code has its own reason,
// HTTP statuses show their number, anything else its value.
#include "download/queue/failure_text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "failure_codes.h"
#include "text/codepage.h"

namespace ld {
namespace {

TEST(FailureText, EveryEngineCodeHasAReasonOfItsOwn) {
    const auto codes = testing::engineFailureCodes();
    ASSERT_GE(codes.size(), 10U) << "the layout header could not be read";
    std::set<std::string> reasons;
    for (const auto& [name, code] : codes) {
        SCOPED_TRACE(name);
        if (code == 0) {
            EXPECT_EQ(engineFailureReason(code), nullptr);
            EXPECT_EQ(gbkToUtf8(failedRowText(code)), "下载失败");
            continue;
        }
        const char* reason = engineFailureReason(code);
        ASSERT_NE(reason, nullptr);
        EXPECT_TRUE(reasons.insert(reason).second) << "shared with another code: " << reason;
        EXPECT_EQ(gbkToUtf8(failedRowText(code)), "下载失败 (" + std::string(reason) + ")");
    }
}

TEST(FailureText, ServerStatusesAndUnknownCodesShowTheirNumber) {
    struct Case {
        std::int32_t code;
        const char* text;
    };
    const Case cases[] = {
        {404, "下载失败 (404)"},    {403, "下载失败 (403)"},        {503, "下载失败 (503)"},
        {302, "下载失败 (302)"},    {1234, "下载失败 (错误 1234)"}, {-7, "下载失败 (错误 -7)"},
        {99, "下载失败 (错误 99)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gbkToUtf8(failedRowText(c.code)), c.text) << c.code;
        EXPECT_EQ(engineFailureReason(c.code), nullptr) << c.code;
    }
}

}  // namespace
}  // namespace ld
