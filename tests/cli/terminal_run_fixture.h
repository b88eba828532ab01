// The terminal program run as a child process against the sample course
// platform (in the test's process, reached through http_proxy): the fixture
// that the run tests share.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tools/sample-platform/sample_platform.h"

namespace ld::cli_test {

namespace fs = std::filesystem;

// Course 141's resolvable lectures and the files they are saved under.
inline const std::map<int, std::string> kCourseFiles = {
    {1, "第1讲 课程导论.flv"},           {2, "第2讲 输入_输出_ 基本概念.flv"},
    {3, "第3讲 什么是算法_.flv"},        {5, "第5讲 __引号__里的字符串.flv"},
    {6, "第6讲 本章小结.flv"},           {7, "第7讲 _文件_与_管道___.flv"},
    {8, "第8讲 期末复习：综合练习.flv"},
};

inline std::string courseAddress(std::string_view id) {
    return "http://www.course.example/#/mid/guide?courseId=" + std::string(id);
}

inline std::string fileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return in ? bytes.str() : "<missing>";
}

inline std::vector<nlohmann::json> jsonLines(const std::string& out) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

class TerminalRun : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        platform_ = std::make_unique<sample::SamplePlatform>();
        ASSERT_GT(platform_->start(), 0);
    }
    static void TearDownTestSuite() { platform_.reset(); }

    void SetUp() override {
        platform_->setOptions({});
        platform_->resetStatistics();
        folder_ = fs::temp_directory_path() /
                  ("cli-test-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    static std::vector<std::string> environment(const std::string& proxy = "") {
        return childEnvironment({{"http_proxy", proxy.empty() ? platform_->address() : proxy},
                                 {"no_proxy", ""},
                                 {"NO_PROXY", ""},
                                 {"HTTP_PROXY", ""},
                                 {"all_proxy", ""},
                                 {"ALL_PROXY", ""}});
    }
    static Finished run(const std::vector<std::string>& arguments) {
        return runToEnd(LD_PROGRAM, arguments, environment());
    }
    [[nodiscard]] std::string downloads() const { return (folder_ / "下载").string(); }

    static const sample::SampleLecture& lecture(std::string_view course, int number) {
        return sample::findCourse(course)->lectures.at(static_cast<std::size_t>(number - 1));
    }
    void expectCourse141Saved() const {
        for (const auto& [number, name] : kCourseFiles) {
            EXPECT_TRUE(fileBytes(fs::path(downloads()) / name) ==
                        sample::SamplePlatform::videoBytes(lecture("141", number)))
                << name << " differs from the platform's bytes";
        }
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(downloads())) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(names.size(), kCourseFiles.size()) << "partial or stray files left";
    }

    static inline std::unique_ptr<sample::SamplePlatform> platform_;
    fs::path folder_;
};

}  // namespace ld::cli_test
