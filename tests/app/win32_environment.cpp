// The test program's main thread as the window program's is: per-monitor DPI
// for its windows and COM (OLE) for the dialogs and the pictures. Set up
// before the first test, torn down after the last.
#include <windows.h>
// After windows.h:
#include <ole2.h>

#include <gtest/gtest.h>

namespace {

class Win32Environment : public ::testing::Environment {
  public:
    void SetUp() override {
        SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
        initialised_ = SUCCEEDED(OleInitialize(nullptr));
    }
    void TearDown() override {
        if (initialised_) {
            OleUninitialize();
        }
    }

  private:
    bool initialised_ = false;
};

// gtest owns the environment once it is added.
[[maybe_unused]] ::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(
    new Win32Environment);  // NOLINT(cppcoreguidelines-owning-memory)

}  // namespace
