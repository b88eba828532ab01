// No exception leaves the library's C interface: with an allocation or the
// engine's thread failing inside a call, the call returns its failure value,
// the program goes on, and the library works again once the failure is gone.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "tests/engine/create_record_image.h"
#include "tests/engine/injected_failures.h"
#include "xldl/xldl.h"

namespace ld::engine::testing {
namespace {

// Stop before the library runs out of allocations to fail in one call.
constexpr int kMostAllocationsPerCall = 500;

std::vector<unsigned char> someRecord() {
    CreateRecordFields fields;
    fields.url = u"http://127.0.0.1:9/never-fetched.flv";
    fields.fileName = u"guard.flv";
    fields.folder = u"/nonexistent-folder-of-the-guard-test/";
    return buildCreateRecord(fields);
}

TEST(AbiGuard, ThreadCreationFailureMakesInitFail) {
    setThreadCreationFails(true);
    EXPECT_EQ(XL_Init(), 0);
    setThreadCreationFails(false);
    EXPECT_EQ(XL_CreateTask(someRecord().data()), 0u);  // no engine
    EXPECT_EQ(XL_Init(), 1);
    EXPECT_EQ(XL_UnInit(), 1);
}

TEST(AbiGuard, EveryAllocationFailureInACallGivesItsFailureValue) {
    // Fail the first, second, ... allocation of each call until the call no
    // longer allocates that many times: each failing try reports failure.
    int failuresSeen = 0;
    for (int n = 1; n <= kMostAllocationsPerCall; ++n) {
        failAllocationNumber(n);
        const int32_t result = XL_Init();
        const bool reached = allocationFailureReached();
        failAllocationNumber(0);
        if (!reached) {
            EXPECT_EQ(result, 1);
            break;
        }
        EXPECT_EQ(result, 0) << "allocation " << n;
        ++failuresSeen;
        XL_UnInit();
    }
    EXPECT_GT(failuresSeen, 0);
    ASSERT_EQ(XL_Init(), 1);

    const std::vector<unsigned char> record = someRecord();
    std::vector<unsigned char> info(XLDL_INFO_RECORD_SIZE);
    failuresSeen = 0;
    for (int n = 1; n <= kMostAllocationsPerCall; ++n) {
        failAllocationNumber(n);
        const XL_TaskHandle handle = XL_CreateTask(record.data());
        const bool reached = allocationFailureReached();
        failAllocationNumber(0);
        if (!reached) {
            ASSERT_NE(handle, 0u);
            // Later calls allocate too; their failures are reported as well.
            for (int m = 1; m <= kMostAllocationsPerCall; ++m) {
                failAllocationNumber(m);
                const int32_t started = XL_StartTask(handle);
                const int32_t stopped = XL_StopTask(handle);
                const int32_t queried = XL_QueryTaskInfoEx(handle, info.data());
                const bool hit = allocationFailureReached();
                failAllocationNumber(0);
                if (!hit) {
                    EXPECT_EQ(started + stopped + queried, 3);
                    break;
                }
                EXPECT_LE(started + stopped + queried, 3);
            }
            break;
        }
        EXPECT_EQ(handle, 0u) << "allocation " << n;
        ++failuresSeen;
    }
    EXPECT_GT(failuresSeen, 0);
    EXPECT_EQ(XL_UnInit(), 1);
}

// The state and failure code a task settles in, or state 0 when it has not within 10 s.
std::pair<int32_t, int32_t> settledState(XL_TaskHandle handle) {
    InfoRecordView view;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (XL_QueryTaskInfoEx(handle, view.data()) == 1) {
            if (view.state() == XLDL_STATE_FAILED || view.state() == XLDL_STATE_FINISHED) {
                return {view.state(), view.failureCode()};
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return {0, 0};
}

TEST(AbiGuard, FailureOnTheEngineThreadFailsTheTaskAndTheEngineGoesOn) {
    // Refused connections, given up on at once: each task's whole life is short.
    setenv("XLDL_BACKOFF_BASE_MS", "0", 1);
    setenv("XLDL_RETRY_BUDGET_MS", "0", 1);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("xldl-guard-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    ASSERT_EQ(XL_Init(), 1);
    rememberEngineThread();
    CreateRecordFields fields;
    fields.url = u"http://127.0.0.1:9/refused.flv";
    fields.folder = toUtf16(folder.string() + "/");
    fields.fileName = u"guard.flv";
    const std::vector<unsigned char> record = buildCreateRecord(fields);

    int internalFailures = 0;
    for (int n = 1; n <= kMostAllocationsPerCall; ++n) {
        failEngineAllocationNumber(n);
        const XL_TaskHandle handle = XL_CreateTask(record.data());
        ASSERT_EQ(XL_StartTask(handle), 1);
        const auto [state, code] = settledState(handle);
        const bool reached = engineAllocationFailureReached();
        failEngineAllocationNumber(0);
        ASSERT_EQ(state, XLDL_STATE_FAILED) << "allocation " << n;
        if (!reached) {
            EXPECT_EQ(code, XLDL_FAIL_NETWORK);
            break;
        }
        EXPECT_TRUE(code == XLDL_FAIL_INTERNAL || code == XLDL_FAIL_NETWORK) << code;
        internalFailures += code == XLDL_FAIL_INTERNAL ? 1 : 0;
    }
    EXPECT_GT(internalFailures, 0);
    // The engine still works: a new task runs its course as usual.
    const XL_TaskHandle after = XL_CreateTask(record.data());
    ASSERT_EQ(XL_StartTask(after), 1);
    EXPECT_EQ(settledState(after), std::make_pair(XLDL_STATE_FAILED, XLDL_FAIL_NETWORK));
    EXPECT_EQ(XL_UnInit(), 1);
    std::filesystem::remove_all(folder);
    unsetenv("XLDL_BACKOFF_BASE_MS");
    unsetenv("XLDL_RETRY_BUDGET_MS");
}

}  // namespace
}  // namespace ld::engine::testing
