#include "app/terminal/output_folder.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace ld {
namespace {

namespace fs = std::filesystem;

std::string reasonOf(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "没有写入权限";
        case EROFS:
            return "文件系统只读";
        case ENOSPC:
            return "磁盘空间不足";
        case ENOTDIR:
        case EEXIST:
            return "路径中有同名的文件而不是文件夹";
        case ENAMETOOLONG:
            return "路径过长";
        case ENOENT:
            return "路径不存在";
        default:
            return "无法创建或写入";
    }
}

std::string problem(const std::string& folderUtf8, const std::string& reason) {
    return "无法使用保存目录 " + folderUtf8 + "：" + reason;
}

// A name no lecture's file has: it starts with a dot, which safe names never do.
fs::path probeName(const fs::path& folder) {
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    return folder / (".lecture-downloader-probe-" + std::to_string(tick));
}

}  // namespace

std::string prepareOutputFolder(const std::string& folderUtf8) {
    const fs::path folder(std::u8string(folderUtf8.begin(), folderUtf8.end()));
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        return problem(folderUtf8, reasonOf(error.value()));
    }
    if (!fs::is_directory(folder, error)) {
        return problem(folderUtf8, reasonOf(ENOTDIR));
    }
    const fs::path probe = probeName(folder);
    errno = 0;
    std::ofstream file(probe, std::ios::binary);
    const int openError = errno;
    if (!file) {
        return problem(folderUtf8, reasonOf(openError));
    }
    file.close();
    fs::remove(probe, error);
    return {};
}

}  // namespace ld
