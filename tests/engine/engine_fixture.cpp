#include "tests/engine/engine_fixture.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace ld::engine::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "xldl-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::vector<std::string> listFolder(const std::filesystem::path& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
        // As UTF-8 on every system (string() would give Windows' ANSI code page).
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(reinterpret_cast<const char*>(name.data()), name.size());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> EngineTest::defaultEnvironment() {
    return {{"XLDL_BACKOFF_BASE_MS", "20"},
            {"XLDL_STALL_SECONDS", "1"},
            {"XLDL_RETRY_BUDGET_MS", "20000"},
            {"XLDL_FINISH_HOLD_MS", "0"}};
}

void EngineTest::SetUp() {
    // The test server is local; no proxy of the machine may come between.
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        ::unsetenv(name);
    }
    ::setenv("no_proxy", "*", 1);
    for (const auto& [name, value] : defaultEnvironment()) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    ASSERT_EQ(XL_Init(), 1);
}

void EngineTest::TearDown() {
    XL_UnInit();
}

void EngineTest::restartEngine(const std::map<std::string, std::string>& overrides) {
    XL_UnInit();  // no engine thread runs while the environment changes
    auto environment = defaultEnvironment();
    for (const auto& [name, value] : overrides) {
        environment[name] = value;
    }
    for (const auto& [name, value] : environment) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    ASSERT_EQ(XL_Init(), 1);
}

CreateRecordFields EngineTest::fieldsFor(const std::string& name) const {
    CreateRecordFields fields;
    fields.url = toUtf16(server.url());
    fields.fileName = toUtf16(name);
    fields.folder = toUtf16(dir.path().string() + "/");
    return fields;
}

XL_TaskHandle EngineTest::createTask(const CreateRecordFields& fields) {
    const std::vector<unsigned char> record = buildCreateRecord(fields);
    return XL_CreateTask(record.data());
}

XL_TaskHandle EngineTest::startTask(const CreateRecordFields& fields) {
    const XL_TaskHandle handle = createTask(fields);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(XL_StartTask(handle), 1);
    return handle;
}

InfoRecordView EngineTest::query(XL_TaskHandle handle) {
    InfoRecordView info;
    EXPECT_EQ(XL_QueryTaskInfoEx(handle, info.data()), 1);
    return info;
}

EngineTest::Watch EngineTest::waitUntilDone(XL_TaskHandle handle,
                                            std::chrono::milliseconds timeout) {
    Watch watch;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        watch.last = query(handle);
        const int state = watch.last.state();
        if (watch.states.empty() || watch.states.back() != state) {
            watch.states.push_back(state);
        }
        if (state == XLDL_STATE_FINISHED || state == XLDL_STATE_FAILED) {
            return watch;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            watch.timedOut = true;
            return watch;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool EngineTest::waitFor(XL_TaskHandle handle,
                         const std::function<bool(const InfoRecordView&)>& condition,
                         std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition(query(handle))) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace ld::engine::testing
