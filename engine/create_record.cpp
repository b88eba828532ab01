#include "engine/create_record.h"

#include <algorithm>

#include "engine/utf16.h"
#include "xldl/task_layout.h"

namespace ld::engine {
namespace {

bool readBool32(const unsigned char* field) {
    return std::any_of(field, field + 4, [](unsigned char b) { return b != 0; });
}

// Line breaks would let a header value start a header of its own; they are dropped.
std::string withoutLineBreaks(std::string text) {
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
}

}  // namespace

TaskRequest readCreateRecord(const unsigned char* record) {
    TaskRequest request;
    request.url = utf16FieldToUtf8(record + XLDL_CREATE_URL_OFFSET, XLDL_CREATE_URL_SIZE);
    request.referrer = withoutLineBreaks(
        utf16FieldToUtf8(record + XLDL_CREATE_REFERRER_OFFSET, XLDL_CREATE_REFERRER_SIZE));
    request.cookies = withoutLineBreaks(
        utf16FieldToUtf8(record + XLDL_CREATE_COOKIES_OFFSET, XLDL_CREATE_COOKIES_SIZE));
    request.fileName =
        utf16FieldToUtf8(record + XLDL_CREATE_FILE_NAME_OFFSET, XLDL_CREATE_FILE_NAME_SIZE);
    request.folder = utf16FieldToUtf8(record + XLDL_CREATE_FOLDER_OFFSET, XLDL_CREATE_FOLDER_SIZE);
    request.sourceOnly = readBool32(record + XLDL_CREATE_SOURCE_ONLY_OFFSET);
    request.noRenaming = readBool32(record + XLDL_CREATE_NO_RENAMING_OFFSET);
    request.resume = readBool32(record + XLDL_CREATE_RESUME_OFFSET);
    return request;
}

}  // namespace ld::engine
