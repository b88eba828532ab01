// No exception leaves the library's C interface: with an allocation or the
// engine's thread failing inside a call, the call returns its failure value,
// the program goes on, and the library works again once the failure is gone.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace ld::engine::testing
