// Shared set-up of the engine's API tests: a fresh folder, a test server, the engine started
// with short waits, and helpers to create and watch tasks.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/engine/create_record_image.h"
#include "tests/engine/test_server.h"
#include "xldl/xldl.h"

namespace ld::engine::testing {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& content);
// Names in a folder (UTF-8), sorted.
std::vector<std::string> listFolder(const std::filesystem::path& path);

class EngineTest : public ::testing::Test {
  protected:
    // Every test runs with these (short) waits unless it restarts the engine with others.
    static std::map<std::string, std::string> defaultEnvironment();

    void SetUp() override;
    void TearDown() override;
    // XL_UnInit, then XL_Init with the default environment changed by `overrides`.
    void restartEngine(const std::map<std::string, std::string>& overrides = {});

    // A record for the test server's file, saved as `name` in the test folder.
    CreateRecordFields fieldsFor(const std::string& name) const;
    XL_TaskHandle createTask(const CreateRecordFields& fields);
    XL_TaskHandle startTask(const CreateRecordFields& fields);
    InfoRecordView query(XL_TaskHandle handle);

    struct Watch {
        std::vector<int> states;  // distinct states in the order seen
        InfoRecordView last;
        bool timedOut = false;
    };
    // Polls until the task is finished (4) or failed (1).
    Watch waitUntilDone(XL_TaskHandle handle,
                        std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Polls until `condition` holds; false on time-out.
    bool waitFor(XL_TaskHandle handle, const std::function<bool(const InfoRecordView&)>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));

    TestServer server;
    TempDir dir;
};

}  // namespace ld::engine::testing
