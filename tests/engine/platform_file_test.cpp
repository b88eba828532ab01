// The engine's file layer, through its interface only, so the same cases run
// against the POSIX implementation here and the Win32 one under Wine
// (make windows-check).
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/platform_file.h"

namespace ld::engine {
namespace {

namespace fs = std::filesystem;

class PlatformFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() / ("ld-platform-file-" + std::string(test->name()));
        fs::remove_all(root_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    PlatformFolder openFolder(const fs::path& path) {
        FileError error = FileError::Other;
        PlatformFolder folder = PlatformFolder::open(path, error);
        EXPECT_EQ(error, FileError::None);
        EXPECT_TRUE(folder.valid());
        return folder;
    }

    static std::string readBack(PlatformFile& file, std::int64_t offset, std::size_t length) {
        std::string buffer(length, '\0');
        std::size_t got = 0;
        EXPECT_EQ(file.readAt(offset, buffer.data(), buffer.size(), got), FileError::None);
        buffer.resize(got);
        return buffer;
    }

    fs::path root_;
};

TEST_F(PlatformFileTest, AFolderIsCreatedWithItsParentsAndKnowsWhatItHolds) {
    const PlatformFolder folder = openFolder(root_ / "a" / "b");
    EXPECT_TRUE(fs::is_directory(root_ / "a" / "b"));
    EXPECT_FALSE(folder.contains("x.flv"));
    std::ofstream(root_ / "a" / "b" / "x.flv") << "x";
    EXPECT_TRUE(folder.contains("x.flv"));

    // The same folder reached another way has the same identity; another folder not.
    const PlatformFolder again = openFolder(root_ / "a" / "b" / ".." / "b");
    const PlatformFolder other = openFolder(root_ / "a");
    if (!folder.identity().empty()) {
        EXPECT_EQ(folder.identity(), again.identity());
        EXPECT_NE(folder.identity(), other.identity());
    }
}

TEST_F(PlatformFileTest, AFolderWhereAFileStandsIsRefused) {
    fs::create_directories(root_);
    std::ofstream(root_ / "plain") << "x";
    FileError error = FileError::None;
    const PlatformFolder folder = PlatformFolder::open(root_ / "plain" / "below", error);
    EXPECT_FALSE(folder.valid());
    EXPECT_NE(error, FileError::None);
}

TEST_F(PlatformFileTest, WritesAndReadsAtOffsetsTruncatesAndReserves) {
    const PlatformFolder folder = openFolder(root_);
    PlatformFile file;
    ASSERT_EQ(file.open(folder, "data.xldl", PlatformFile::Mode::ReadWrite), FileError::None);
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(file.writeAt(5, "world", 5), FileError::None);
    EXPECT_EQ(file.writeAt(0, "hello", 5), FileError::None);
    EXPECT_EQ(file.size(), 10);
    EXPECT_EQ(readBack(file, 0, 64), "helloworld");
    EXPECT_EQ(readBack(file, 3, 4), "lowo");
    EXPECT_EQ(readBack(file, 10, 4), "");  // at the end: nothing, no error

    EXPECT_EQ(file.truncate(4), FileError::None);
    EXPECT_EQ(file.size(), 4);
    EXPECT_EQ(file.preallocate(1 << 20), FileError::None);
    EXPECT_GE(file.size(), 4);
    EXPECT_EQ(readBack(file, 0, 4), "hell");
    file.close();
    EXPECT_FALSE(file.isOpen());

    // ReadWrite keeps what is there; WriteTruncate empties it.
    ASSERT_EQ(file.open(folder, "data.xldl", PlatformFile::Mode::ReadWrite), FileError::None);
    EXPECT_EQ(readBack(file, 0, 4), "hell");
    file.close();
    ASSERT_EQ(file.open(folder, "data.xldl", PlatformFile::Mode::WriteTruncate), FileError::None);
    EXPECT_EQ(file.size(), 0);
}

TEST_F(PlatformFileTest, ReadingAMissingFileFailsAsNotFound) {
    const PlatformFolder folder = openFolder(root_);
    PlatformFile file;
    EXPECT_EQ(file.open(folder, "missing.flv", PlatformFile::Mode::Read), FileError::NotFound);
    EXPECT_FALSE(file.isOpen());
}

TEST_F(PlatformFileTest, OnlyARegularFileIsOpenedAndNothingElseIsTouched) {
    const PlatformFolder folder = openFolder(root_);
    fs::create_directory(root_ / "folder.xldl");
    std::ofstream(root_ / "target") << "kept";
    struct Case {
        std::string name;
        PlatformFolder::Entry entry;
    };
    std::vector<Case> cases = {{"folder.xldl", PlatformFolder::Entry::Other},
                               {"target", PlatformFolder::Entry::RegularFile},
                               {"missing", PlatformFolder::Entry::Missing}};
#ifndef _WIN32
    // A FIFO would block an open for reading or writing until its other end shows up.
    ASSERT_EQ(::mkfifo((root_ / "fifo.xldl").c_str(), 0644), 0);
    fs::create_symlink(root_ / "target", root_ / "link.xldl");
    cases.push_back({"fifo.xldl", PlatformFolder::Entry::Other});
    cases.push_back({"link.xldl", PlatformFolder::Entry::Other});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(folder.entry(c.name), c.entry);
        if (c.entry != PlatformFolder::Entry::Other) {
            continue;
        }
        // Read last and every check fatal: the modes that wait on a FIFO are tried only
        // after one that does not has been refused.
        for (const auto mode : {PlatformFile::Mode::ReadWrite, PlatformFile::Mode::WriteTruncate,
                                PlatformFile::Mode::Read}) {
            PlatformFile file;
            ASSERT_EQ(file.open(folder, c.name, mode), FileError::NotRegular);
            EXPECT_FALSE(file.isOpen());
        }
    }
    std::ifstream in(root_ / "target");
    std::string content;
    in >> content;
    EXPECT_EQ(content, "kept");  // not truncated through the link
#ifndef _WIN32
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(root_ / "fifo.xldl")));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(root_ / "link.xldl")));
#endif
}

TEST_F(PlatformFileTest, FlushedDataStaysAndAFileKeepsItsIdentity) {
    const PlatformFolder folder = openFolder(root_);
    PlatformFile file;
    ASSERT_EQ(file.open(folder, "data.xldl", PlatformFile::Mode::ReadWrite), FileError::None);
    EXPECT_EQ(file.writeAt(0, "durable", 7), FileError::None);
    EXPECT_EQ(file.flush(), FileError::None);
    EXPECT_EQ(folder.flush(), FileError::None);
    const std::string identity = file.identity();
    file.close();

    PlatformFile again;
    ASSERT_EQ(again.open(folder, "data.xldl", PlatformFile::Mode::ReadWrite), FileError::None);
    EXPECT_EQ(readBack(again, 0, 7), "durable");
    EXPECT_EQ(again.identity(), identity);
    PlatformFile other;
    ASSERT_EQ(other.open(folder, "other.xldl", PlatformFile::Mode::ReadWrite), FileError::None);
    if (!identity.empty()) {
        EXPECT_NE(other.identity(), identity);
    }
}

TEST_F(PlatformFileTest, RenameReplacesOnlyWhenAskedAndRemoveToleratesAMissingFile) {
    const PlatformFolder folder = openFolder(root_);
    std::ofstream(root_ / "part") << "new";
    std::ofstream(root_ / "done.flv") << "old";
    EXPECT_EQ(folder.rename("part", "done.flv", false), FileError::AlreadyExists);
    EXPECT_TRUE(folder.contains("part"));
    EXPECT_EQ(folder.rename("part", "done.flv", true), FileError::None);
    EXPECT_FALSE(folder.contains("part"));
    {
        // Closed again before the removal: Windows keeps an open file.
        std::ifstream in(root_ / "done.flv");
        std::string content;
        in >> content;
        EXPECT_EQ(content, "new");
    }

    EXPECT_EQ(folder.remove("done.flv"), FileError::None);
    EXPECT_FALSE(folder.contains("done.flv"));
    EXPECT_EQ(folder.remove("done.flv"), FileError::NotFound);  // already gone

    // A folder is never removed.
    fs::create_directory(root_ / "kept");
    EXPECT_NE(folder.remove("kept"), FileError::None);
    EXPECT_TRUE(fs::is_directory(root_ / "kept"));
}

TEST_F(PlatformFileTest, NamesAreUtf8OnEverySystem) {
    const std::string name = "第3讲 什么是算法_.flv";
    const PlatformFolder folder = openFolder(root_ / pathFromUtf8("课程"));
    PlatformFile file;
    ASSERT_EQ(file.open(folder, name, PlatformFile::Mode::WriteTruncate), FileError::None);
    EXPECT_EQ(file.writeAt(0, "flv", 3), FileError::None);
    file.close();
    EXPECT_TRUE(fs::exists(root_ / pathFromUtf8("课程") / pathFromUtf8(name)));
    EXPECT_TRUE(folder.contains(name));
}

}  // namespace
}  // namespace ld::engine
