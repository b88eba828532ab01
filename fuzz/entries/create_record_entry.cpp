// The engine's reading of a TaskCreateRecord from arbitrary bytes, and the
// names it derives from the record's 文件名: whatever the caller put into the
// record, the texts come out as well-formed UTF-8 and every name the engine
// writes is one plain file of at most 255 bytes inside the folder.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/create_record.h"
#include "engine/target_name.h"
#include "engine/utf16.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/fuzz_input.h"
#include "xldl/task_layout.h"

namespace ld::fuzz {

namespace {

constexpr std::size_t kTextFields[][2] = {
    {XLDL_CREATE_URL_OFFSET, XLDL_CREATE_URL_SIZE},
    {XLDL_CREATE_REFERRER_OFFSET, XLDL_CREATE_REFERRER_SIZE},
    {XLDL_CREATE_COOKIES_OFFSET, XLDL_CREATE_COOKIES_SIZE},
    {XLDL_CREATE_FILE_NAME_OFFSET, XLDL_CREATE_FILE_NAME_SIZE},
    {XLDL_CREATE_FOLDER_OFFSET, XLDL_CREATE_FOLDER_SIZE},
};

// The record the bytes describe: placed at an offset, repeated over the whole
// record, or written into every text field.
std::vector<std::uint8_t> recordFrom(FuzzInput& in) {
    std::vector<std::uint8_t> record(XLDL_CREATE_RECORD_SIZE, 0);
    const std::uint8_t mode = in.byte();
    const std::size_t offset =
        (static_cast<std::size_t>(in.byte()) | static_cast<std::size_t>(in.byte()) << 8) * 4 %
        record.size();
    const std::string body = in.rest();
    if (body.empty()) {
        return record;
    }
    switch (mode % 3) {
        case 0:
            std::copy_n(body.begin(), std::min(body.size(), record.size() - offset),
                        record.begin() + static_cast<std::ptrdiff_t>(offset));
            break;
        case 1:
            for (std::size_t i = 0; i < record.size(); ++i) {
                record[i] = static_cast<std::uint8_t>(body[i % body.size()]);
            }
            break;
        default:
            for (const auto& field : kTextFields) {
                std::copy_n(body.begin(), std::min(body.size(), field[1]),
                            record.begin() + static_cast<std::ptrdiff_t>(field[0]));
            }
            break;
    }
    return record;
}

void checkText(const std::string& text, std::size_t fieldSize) {
    LD_FUZZ_CHECK(isValidUtf8(text));
    LD_FUZZ_CHECK(!holdsZeroByte(text));
    // At most three UTF-8 bytes per UTF-16 unit.
    LD_FUZZ_CHECK(text.size() <= fieldSize / 2 * 3);
}

void checkEngineName(const std::string& name) {
    LD_FUZZ_CHECK(engine::isSafeFileName(name));
    LD_FUZZ_CHECK(name.size() <= engine::kMaxNameBytes);
    LD_FUZZ_CHECK(isValidUtf8(name));
}

// The names the engine writes for an accepted 文件名.
void checkNames(const std::string& fileName) {
    const std::string target = engine::fitNameLength(fileName);
    checkEngineName(target);
    if (fileName.size() <= engine::kMaxNameBytes) {
        LD_FUZZ_CHECK(target == fileName);
    }
    for (const int n : {1, 2, 10, 12345, 2147483647}) {
        checkEngineName(engine::numberedName(target, n));
    }
    const engine::PartialNames partial = engine::partialNamesFor(target);
    checkEngineName(partial.data);
    // The resume record is saved through "<metadata>.new".
    checkEngineName(partial.metadata + ".new");
    LD_FUZZ_CHECK(partial.data != target && partial.metadata != target);
    LD_FUZZ_CHECK(partial.data != partial.metadata);
}

}  // namespace

void fuzzCreateRecord(Bytes input) {
    FuzzInput in(input);
    const std::vector<std::uint8_t> record = recordFrom(in);
    const engine::TaskRequest request = engine::readCreateRecord(record.data());

    checkText(request.url, XLDL_CREATE_URL_SIZE);
    checkText(request.referrer, XLDL_CREATE_REFERRER_SIZE);
    checkText(request.cookies, XLDL_CREATE_COOKIES_SIZE);
    checkText(request.fileName, XLDL_CREATE_FILE_NAME_SIZE);
    checkText(request.folder, XLDL_CREATE_FOLDER_SIZE);
    // Header values never carry a line break.
    for (const std::string* header : {&request.referrer, &request.cookies}) {
        LD_FUZZ_CHECK(header->find_first_of("\r\n") == std::string::npos);
    }
    LD_FUZZ_CHECK(!engine::folderPathFrom(request.folder).empty());

    if (engine::isSafeFileName(request.fileName)) {
        checkNames(request.fileName);
    }

    // Written back into a field, a text reads as itself, or as its beginning
    // when the field cannot hold it with a terminator.
    std::vector<std::uint8_t> field(XLDL_CREATE_FILE_NAME_SIZE, 0xEE);
    engine::utf8ToUtf16Field(request.fileName, field.data(), field.size());
    const std::string back = engine::utf16FieldToUtf8(field.data(), field.size());
    LD_FUZZ_CHECK(request.fileName.starts_with(back));
    LD_FUZZ_CHECK(field[field.size() - 1] == 0 && field[field.size() - 2] == 0);
}

}  // namespace ld::fuzz
