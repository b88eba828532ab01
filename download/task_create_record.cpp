#include "download/task_create_record.h"

#include <array>
#include <string_view>

#include "download/record_layout.h"
#include "download/typed_fields.h"
#include "download/utf16_bytes.h"
#include "text/codepage.h"
#include "xldl/task_layout.h"

namespace ld {

namespace {

enum Field {
    nReserved,
    url,
    referrer,
    cookies,
    fileName,
    szReserved0,
    folder,
    hReserved,
    bReserved,
    szReserved1,
    szReserved2,
    sourceOnly,
    nReserved1,
    noRenaming,
    resume,
    reserved,
    kFieldCount
};

using record_layout::FieldLayout;

constexpr std::array<FieldLayout, kFieldCount> kLayout{{
    {"nReserved", XLDL_CREATE_nReserved_SIZE},
    {"URL", XLDL_CREATE_URL_SIZE},
    {"引用页", XLDL_CREATE_REFERRER_SIZE},
    {"Cookies", XLDL_CREATE_COOKIES_SIZE},
    {"文件名", XLDL_CREATE_FILE_NAME_SIZE},
    {"szReserved0", XLDL_CREATE_szReserved0_SIZE},
    {"路径", XLDL_CREATE_FOLDER_SIZE},
    {"hReserved", XLDL_CREATE_hReserved_SIZE},
    {"bReserved", XLDL_CREATE_bReserved_SIZE},
    {"szReserved1", XLDL_CREATE_szReserved1_SIZE},
    {"szReserved2", XLDL_CREATE_szReserved2_SIZE},
    {"原始地址下载", XLDL_CREATE_SOURCE_ONLY_SIZE},
    {"nReserved1", XLDL_CREATE_nReserved1_SIZE},
    {"禁止智能命名", XLDL_CREATE_NO_RENAMING_SIZE},
    {"是否用续传", XLDL_CREATE_RESUME_SIZE},
    {"reserved", XLDL_CREATE_reserved_SIZE},
}};

static_assert(kFieldCount == XLDL_CREATE_FIELD_COUNT);
static_assert(record_layout::totalSize(kLayout) == XLDL_CREATE_RECORD_SIZE);

const Text& nameOf(Field field) {
    static const std::array<Text, kFieldCount> names = record_layout::namesOf(kLayout);
    return names[field];
}

Text readTextField(const NamedFieldRecord& record, Field field) {
    return readText(record, nameOf(field));
}

Text writeTextField(NamedFieldRecord& record, Field field, const Text& value) {
    return writeText(record, nameOf(field), value) ? Text("1") : Text("0");
}

}  // namespace

bool TaskCreateRecord::defineFields(const Text& url, const Text& referrer, const Text& cookies,
                                    const Text& fileName, const Text& folder, bool sourceOnly,
                                    bool noRenaming, bool resume) {
    if (record_.create(NamedFieldRecord::kDefaultAlignment, NamedFieldRecord::kDefaultFillByte,
                       XLDL_CREATE_RECORD_SIZE) == nullptr) {
        return false;
    }
    const auto textValue = [](const Text& text, Field field) {
        return utf16FieldBytes(text, kLayout[field].size);
    };
    std::array<ByteSet, kFieldCount> initial;
    initial[Field::url] = textValue(url, Field::url);
    initial[Field::referrer] = textValue(referrer, Field::referrer);
    initial[Field::cookies] = textValue(cookies, Field::cookies);
    initial[Field::fileName] = textValue(fileName, Field::fileName);
    initial[Field::folder] = textValue(folder, Field::folder);
    initial[Field::bReserved] = booleanBytes(false);
    initial[Field::sourceOnly] = booleanBytes(sourceOnly);
    initial[Field::nReserved1] = ByteSet(std::vector<std::uint8_t>{5});
    initial[Field::noRenaming] = booleanBytes(noRenaming);
    initial[Field::resume] = booleanBytes(resume);

    bool allAdded = true;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const auto field = static_cast<Field>(i);
        allAdded = record_.addField(nameOf(field), kLayout[i].size, initial[i]) && allAdded;
    }
    return allAdded;
}

void TaskCreateRecord::release() noexcept {
    record_.release();
}

const void* TaskCreateRecord::taskAddress() const noexcept {
    return record_.recordAddress();
}

Text TaskCreateRecord::URL() const {
    return readTextField(record_, Field::url);
}
Text TaskCreateRecord::URL(const Text& value) {
    return writeTextField(record_, Field::url, value);
}

Text TaskCreateRecord::引用页() const {
    return readTextField(record_, Field::referrer);
}
Text TaskCreateRecord::引用页(const Text& value) {
    return writeTextField(record_, Field::referrer, value);
}

Text TaskCreateRecord::Cookies() const {
    return readTextField(record_, Field::cookies);
}
Text TaskCreateRecord::Cookies(const Text& value) {
    return writeTextField(record_, Field::cookies, value);
}

Text TaskCreateRecord::文件名() const {
    return readTextField(record_, Field::fileName);
}
Text TaskCreateRecord::文件名(const Text& value) {
    return writeTextField(record_, Field::fileName, value);
}

Text TaskCreateRecord::路径() const {
    return readTextField(record_, Field::folder);
}
Text TaskCreateRecord::路径(const Text& value) {
    return writeTextField(record_, Field::folder, value);
}

bool TaskCreateRecord::原始地址下载() const {
    return readBoolean(record_, nameOf(Field::sourceOnly));
}
bool TaskCreateRecord::原始地址下载(bool value) {
    return writeBoolean(record_, nameOf(Field::sourceOnly), value);
}

bool TaskCreateRecord::禁止智能命名() const {
    return readBoolean(record_, nameOf(Field::noRenaming));
}
bool TaskCreateRecord::禁止智能命名(bool value) {
    return writeBoolean(record_, nameOf(Field::noRenaming), value);
}

bool TaskCreateRecord::是否用续传() const {
    return readBoolean(record_, nameOf(Field::resume));
}
bool TaskCreateRecord::是否用续传(bool value) {
    return writeBoolean(record_, nameOf(Field::resume), value);
}

}  // namespace ld
