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

// The outermost of the folders that do not exist yet on the way to `folder`.
fs::path outermostMissing(const fs::path& folder) {
    fs::path missing;
    std::error_code error;
    for (fs::path step = folder; !step.empty(); step = step.parent_path()) {
        if (fs::symlink_status(step, error).type() != fs::file_type::not_found) {
            break;
        }
        missing = step;
        if (step == step.parent_path()) {
            break;
        }
    }
    return missing;
}

}  // namespace

PreparedOutputFolder prepareOutputFolder(const std::string& folderUtf8) {
    PreparedOutputFolder prepared;
    prepared.folder = fs::path(std::u8string(folderUtf8.begin(), folderUtf8.end()));
    const fs::path& folder = prepared.folder;
    const fs::path missing = outermostMissing(folder);
    std::error_code error;
    fs::create_directories(folder, error);
    if (!missing.empty() && fs::is_directory(missing)) {
        prepared.outermostCreated = missing;
    }
    if (error) {
        prepared.problem = problem(folderUtf8, reasonOf(error.value()));
        removeUnusedOutputFolders(prepared);
        return prepared;
    }
    if (!fs::is_directory(folder, error)) {
        prepared.problem = problem(folderUtf8, reasonOf(ENOTDIR));
        return prepared;
    }
    const fs::path probe = probeName(folder);
    errno = 0;
    std::ofstream file(probe, std::ios::binary);
    const int openError = errno;
    if (!file) {
        prepared.problem = problem(folderUtf8, reasonOf(openError));
        removeUnusedOutputFolders(prepared);
        return prepared;
    }
    file.close();
    fs::remove(probe, error);
    return prepared;
}

void removeUnusedOutputFolders(const PreparedOutputFolder& prepared) {
    if (prepared.outermostCreated.empty()) {
        return;
    }
    std::error_code error;
    for (fs::path step = prepared.folder; !step.empty(); step = step.parent_path()) {
        // remove() takes a folder only when it is empty.
        if (!fs::is_directory(fs::symlink_status(step, error)) || !fs::remove(step, error)) {
            return;
        }
        if (step == prepared.outermostCreated || step == step.parent_path()) {
            return;
        }
    }
}

}  // namespace ld
