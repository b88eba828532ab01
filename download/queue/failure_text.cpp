#include "download/queue/failure_text.h"

#include "text/codepage.h"
#include "xldl/task_layout.h"

namespace ld {
namespace {

struct FailureReason {
    std::int32_t code;
    const char* words;
};

constexpr FailureReason kFailureReasons[] = {
    {XLDL_FAIL_BAD_URL, "下载地址无效"},
    {XLDL_FAIL_BAD_FILE_NAME, "文件名无效"},
    {XLDL_FAIL_NETWORK, "网络连接失败"},
    {XLDL_FAIL_DNS, "域名无法解析"},
    {XLDL_FAIL_TIMEOUT, "连接超时"},
    {XLDL_FAIL_TLS, "安全连接失败"},
    {XLDL_FAIL_REDIRECTS, "重定向次数过多"},
    {XLDL_FAIL_PROTOCOL, "服务器的回答无法使用"},
    {XLDL_FAIL_FOLDER, "保存目录无法写入"},
    {XLDL_FAIL_DISK_FULL, "磁盘空间不足"},
    {XLDL_FAIL_FILE_IO, "文件读写出错"},
    {XLDL_FAIL_VERIFY, "文件大小与服务器不符"},
    {XLDL_FAIL_RENAME, "文件无法改为最终名称"},
    {XLDL_FAIL_NO_HANDLES, "打开的文件过多"},
    {XLDL_FAIL_NAME_TAKEN, "文件名已被占用"},
    {XLDL_FAIL_SUPERSEDED, "已由新的任务接替"},
    {XLDL_FAIL_INTERNAL, "内部错误"},
};

constexpr const char* kDownloadFailed = "下载失败";

// The server's answer was the reason: the code is its status.
bool isHttpStatus(std::int32_t code) {
    return code >= 100 && code <= 999;
}

}  // namespace

const char* engineFailureReason(std::int32_t code) {
    for (const FailureReason& reason : kFailureReasons) {
        if (reason.code == code) {
            return reason.words;
        }
    }
    return nullptr;
}

std::string failureReasonUtf8(std::int32_t code) {
    if (code == XLDL_FAIL_NONE) {
        return {};
    }
    if (isHttpStatus(code)) {
        return std::to_string(code);
    }
    if (const char* words = engineFailureReason(code)) {
        return words;
    }
    return "错误 " + std::to_string(code);
}

Text failedRowText(std::int32_t code) {
    const std::string reason = failureReasonUtf8(code);
    if (reason.empty()) {
        return gbk(kDownloadFailed);
    }
    return gbk(std::string(kDownloadFailed) + " (" + reason + ")");
}

}  // namespace ld
