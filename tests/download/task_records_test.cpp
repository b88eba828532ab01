#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "download/task_create_record.h"
#include "download/task_info_record.h"
#include "download/typed_fields.h"
#include "text/codepage.h"
#include "xldl/task_layout.h"

namespace ld {
namespace {

struct ExpectedField {
    std::string_view name;  // UTF-8
    int offset;
    int size;
};

void expectLayout(const NamedFieldRecord& record, const std::vector<ExpectedField>& expected) {
    ASSERT_EQ(record.fields().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Text name = gbk(expected[i].name);
        EXPECT_EQ(record.findField(name), static_cast<int>(i) + 1) << expected[i].name;
        EXPECT_EQ(record.fields()[i].offset, expected[i].offset) << expected[i].name;
        EXPECT_EQ(record.fields()[i].size, expected[i].size) << expected[i].name;
    }
}

bool allZero(const std::uint8_t* first, int count) {
    return std::all_of(first, first + count, [](std::uint8_t b) { return b == 0; });
}

std::int32_t int32At(const void* block, int offset) {
    const auto* first = static_cast<const std::uint8_t*>(block) + offset;
    return int32FromBytes(ByteSet(std::vector<std::uint8_t>(first, first + 4)));
}

#define FIELD(name, macro)                 \
    ExpectedField {                        \
        name, macro##_OFFSET, macro##_SIZE \
    }

TEST(TaskCreateRecord, LaysOutEveryFieldAtTheEngineOffsets) {
    TaskCreateRecord record;
    ASSERT_TRUE(record.defineFields(Text("http://h/v.flv")));
    EXPECT_EQ(record.record().recordSize(), XLDL_CREATE_RECORD_SIZE);
    EXPECT_EQ(record.record().recordSize(), 26564);
    expectLayout(
        record.record(),
        {FIELD("nReserved", XLDL_CREATE_nReserved), FIELD("URL", XLDL_CREATE_URL),
         FIELD("引用页", XLDL_CREATE_REFERRER), FIELD("Cookies", XLDL_CREATE_COOKIES),
         FIELD("文件名", XLDL_CREATE_FILE_NAME), FIELD("szReserved0", XLDL_CREATE_szReserved0),
         FIELD("路径", XLDL_CREATE_FOLDER), FIELD("hReserved", XLDL_CREATE_hReserved),
         FIELD("bReserved", XLDL_CREATE_bReserved), FIELD("szReserved1", XLDL_CREATE_szReserved1),
         FIELD("szReserved2", XLDL_CREATE_szReserved2),
         FIELD("原始地址下载", XLDL_CREATE_SOURCE_ONLY),
         FIELD("nReserved1", XLDL_CREATE_nReserved1),
         FIELD("禁止智能命名", XLDL_CREATE_NO_RENAMING), FIELD("是否用续传", XLDL_CREATE_RESUME),
         FIELD("reserved", XLDL_CREATE_reserved)});
}

TEST(TaskInfoRecord, LaysOutEveryFieldAtTheEngineOffsets) {
    TaskInfoRecord record;
    ASSERT_TRUE(record.defineFields());
    EXPECT_EQ(record.record().recordSize(), XLDL_INFO_RECORD_SIZE);
    EXPECT_EQ(record.record().recordSize(), 1429);
    expectLayout(record.record(), {FIELD("当前状态", XLDL_INFO_STATE),
                                   FIELD("失败代码", XLDL_INFO_FAILURE_CODE),
                                   FIELD("文件名", XLDL_INFO_FILE_NAME),
                                   FIELD("szReserved0", XLDL_INFO_szReserved0),
                                   FIELD("文件总大小", XLDL_INFO_TOTAL_SIZE),
                                   FIELD("已下载速度", XLDL_INFO_DOWNLOADED),
                                   FIELD("下载进度", XLDL_INFO_PROGRESS),
                                   FIELD("nReserved0", XLDL_INFO_nReserved0),
                                   FIELD("总资源数", XLDL_INFO_TOTAL_SOURCES),
                                   FIELD("可用资源数", XLDL_INFO_USABLE_SOURCES),
                                   FIELD("nReserved1", XLDL_INFO_nReserved1),
                                   FIELD("nReserved2", XLDL_INFO_nReserved2),
                                   FIELD("nReserved3", XLDL_INFO_nReserved3),
                                   FIELD("nReserved4", XLDL_INFO_nReserved4),
                                   FIELD("nReserved5", XLDL_INFO_nReserved5),
                                   FIELD("P2P字节数", XLDL_INFO_P2P_BYTES),
                                   FIELD("nReserved6", XLDL_INFO_nReserved6),
                                   FIELD("原始资源字节数", XLDL_INFO_ORIGIN_BYTES),
                                   FIELD("镜像资源字节数", XLDL_INFO_MIRROR_BYTES),
                                   FIELD("nReserved7", XLDL_INFO_nReserved7),
                                   FIELD("nReserved8", XLDL_INFO_nReserved8),
                                   FIELD("下载速度", XLDL_INFO_SPEED),
                                   FIELD("下载速度P2S", XLDL_INFO_SPEED_P2S),
                                   FIELD("下载速度P2P", XLDL_INFO_SPEED_P2P),
                                   FIELD("原始资源", XLDL_INFO_ORIGIN_FLAG),
                                   FIELD("fHashPercent", XLDL_INFO_fHashPercent),
                                   FIELD("创建文件", XLDL_INFO_CREATING_FILE),
                                   FIELD("reserved", XLDL_INFO_reserved)});
}

#undef FIELD

TEST(TaskCreateRecord, HoldsTheValuesOfATask) {
    TaskCreateRecord record;
    ASSERT_TRUE(record.defineFields(Text("http://h/v.flv"), Text(), Text(), gbk("第1讲.flv"),
                                    Text("D:\\"), false, true));
    const auto* block = static_cast<const std::uint8_t*>(record.taskAddress());
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(record.URL(), Text("http://h/v.flv"));
    EXPECT_EQ(record.文件名(), gbk("第1讲.flv"));
    EXPECT_EQ(record.路径(), Text("D:\\"));
    EXPECT_FALSE(record.原始地址下载());
    EXPECT_TRUE(record.禁止智能命名());
    EXPECT_TRUE(record.是否用续传());  // true when not passed
    EXPECT_EQ(int32At(block, XLDL_CREATE_nReserved1_OFFSET), 5);
    EXPECT_EQ(int32At(block, XLDL_CREATE_NO_RENAMING_OFFSET), 1);
    EXPECT_EQ(int32At(block, XLDL_CREATE_bReserved_OFFSET), 0);
    // 引用页 and Cookies stay all zero: bytes 4172 to 16531.
    EXPECT_TRUE(allZero(block + 4172, 16532 - 4172));
    EXPECT_TRUE(allZero(block, XLDL_CREATE_URL_OFFSET));
    EXPECT_TRUE(allZero(block + XLDL_CREATE_reserved_OFFSET, XLDL_CREATE_reserved_SIZE));

    EXPECT_TRUE(record.defineFields(Text("u"), Text(), Text(), Text(), Text(), true, false, false));
    EXPECT_TRUE(record.原始地址下载());
    EXPECT_FALSE(record.禁止智能命名());
    EXPECT_FALSE(record.是否用续传());
}

TEST(TaskCreateRecord, FileNameOf259UnitsFillsItsFieldExactly) {
    const std::string title(255, 'x');
    TaskCreateRecord record;
    ASSERT_TRUE(record.defineFields(Text("u"), Text(), Text(), Text(title + ".flv")));
    const auto* block = static_cast<const std::uint8_t*>(record.taskAddress());
    const std::uint8_t* field = block + XLDL_CREATE_FILE_NAME_OFFSET;
    EXPECT_EQ(field[517], 0);  // 'v' of ".flv" in unit 258
    EXPECT_EQ(field[516], 'v');
    EXPECT_EQ(field[518], 0);
    EXPECT_EQ(field[519], 0);
    EXPECT_EQ(record.文件名(), Text(title + ".flv"));
    EXPECT_TRUE(allZero(block + XLDL_CREATE_szReserved0_OFFSET, XLDL_CREATE_szReserved0_SIZE));
}

TEST(TaskCreateRecord, OverlongTextsKeepTheirTerminator) {
    const std::string name(300, 'n');
    const std::string url(3000, 'u');
    TaskCreateRecord record;
    ASSERT_TRUE(record.defineFields(Text(url), Text(), Text(), Text(name)));
    const auto* block = static_cast<const std::uint8_t*>(record.taskAddress());
    EXPECT_EQ(record.文件名(), Text(name.substr(0, 259)));
    EXPECT_EQ(record.URL(), Text(url.substr(0, 2083)));
    EXPECT_EQ(block[XLDL_CREATE_FILE_NAME_OFFSET + 518], 0);
    EXPECT_EQ(block[XLDL_CREATE_FILE_NAME_OFFSET + 519], 0);
    EXPECT_TRUE(allZero(block + XLDL_CREATE_szReserved0_OFFSET, XLDL_CREATE_szReserved0_SIZE));

    // Written through the accessor the same holds, and the next field is untouched.
    EXPECT_EQ(record.路径(Text(std::string(400, 'p'))), Text("1"));
    EXPECT_EQ(record.路径(), Text(std::string(259, 'p')));
    EXPECT_TRUE(allZero(block + XLDL_CREATE_hReserved_OFFSET, XLDL_CREATE_hReserved_SIZE));
}

TEST(TaskInfoRecord, StartsPausedWithEverythingElseZero) {
    TaskInfoRecord record;
    EXPECT_EQ(record.taskAddress(), nullptr);
    EXPECT_EQ(record.当前状态(), 0);
    ASSERT_TRUE(record.defineFields());
    EXPECT_EQ(record.当前状态(), 2);
    const auto* block = static_cast<const std::uint8_t*>(record.taskAddress());
    EXPECT_TRUE(allZero(block + 4, XLDL_INFO_RECORD_SIZE - 4));
}

TEST(TaskInfoRecord, AccessorsReadWhatTheEngineWrites) {
    TaskInfoRecord record;
    ASSERT_TRUE(record.defineFields());
    EXPECT_EQ(record.文件总大小(std::int64_t{5'000'000'000}), 1);
    EXPECT_EQ(record.下载速度(123456), 1);
    EXPECT_EQ(record.可用资源数(3), 1);
    EXPECT_EQ(record.总资源数(7), 1);
    EXPECT_EQ(record.原始资源(true), true);
    EXPECT_EQ(record.创建文件(-1), 1);
    EXPECT_EQ(record.下载进度(0.5f), 1.0f);
    EXPECT_EQ(record.文件名(gbk("课.flv")), Text("1"));
    const auto* block = static_cast<const std::uint8_t*>(record.taskAddress());
    EXPECT_EQ(int32At(block, XLDL_INFO_SPEED_OFFSET), 123456);
    EXPECT_EQ(block[XLDL_INFO_ORIGIN_FLAG_OFFSET], 1);
    EXPECT_EQ(int32At(block, XLDL_INFO_CREATING_FILE_OFFSET), -1);  // odd offset
    EXPECT_EQ(record.文件总大小(), 5'000'000'000);
    EXPECT_EQ(record.下载速度(), 123456);
    EXPECT_EQ(record.可用资源数(), 3);
    EXPECT_EQ(record.总资源数(), 7);
    EXPECT_TRUE(record.原始资源());
    EXPECT_EQ(record.创建文件(), -1);
    EXPECT_EQ(record.下载进度(), 0.5f);
    EXPECT_EQ(record.文件名(), gbk("课.flv"));
    EXPECT_TRUE(allZero(block + XLDL_INFO_reserved_OFFSET, XLDL_INFO_reserved_SIZE));
}

TEST(TaskRecords, ReleasedOrUndefinedRecordsHaveNoAddressAndRefuseWrites) {
    TaskCreateRecord create;
    EXPECT_EQ(create.taskAddress(), nullptr);
    EXPECT_EQ(create.URL(Text("x")), Text("0"));
    EXPECT_TRUE(create.URL().empty());
    create.defineFields(Text("x"));
    create.release();
    EXPECT_EQ(create.taskAddress(), nullptr);
    EXPECT_FALSE(create.是否用续传());

    TaskInfoRecord info;
    info.defineFields();
    info.release();
    EXPECT_EQ(info.taskAddress(), nullptr);
    EXPECT_EQ(info.当前状态(4), 0);
    EXPECT_EQ(info.当前状态(), 0);
}

}  // namespace
}  // namespace ld
