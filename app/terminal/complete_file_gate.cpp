#include "app/terminal/complete_file_gate.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "app/terminal/file_mark.h"
#include "common/resource_address.h"
#include "text/codepage.h"
#include "text/text_ops.h"
#include "xldl/task_layout.h"

namespace ld {
namespace {

namespace fs = std::filesystem;

fs::path pathOf(const RowFile& file) {
    const std::string utf8 = gbkToUtf8(concatTexts({file.folder, file.fileName}));
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// Anything of that name, of any kind; in doubt (it cannot be looked at), yes.
bool presentAtAll(const fs::path& path) {
    std::error_code error;
    const fs::file_type type = fs::symlink_status(path, error).type();
    return type != fs::file_type::not_found;
}

// A plain file's length; nullopt for anything else (a link, a folder, an error).
std::optional<std::int64_t> plainFileLength(const fs::path& path) {
    std::error_code error;
    if (fs::symlink_status(path, error).type() != fs::file_type::regular || error) {
        return std::nullopt;
    }
    const auto size = fs::file_size(path, error);
    return error ? std::nullopt : std::optional<std::int64_t>(static_cast<std::int64_t>(size));
}

// Two validators differ only when both are known.
bool differ(const std::string& kept, const std::string& now) {
    return !kept.empty() && !now.empty() && kept != now;
}

bool fileIsComplete(const fs::path& path, const std::string& address,
                    const RemoteFileFacts& server) {
    const std::optional<std::int64_t> length = plainFileLength(path);
    if (!length || !server.known || *length != server.length) {
        return false;
    }
    const std::string name = path.filename().string();
    if (presentAtAll(path.parent_path() / (name + XLDL_PARTIAL_DATA_SUFFIX)) ||
        presentAtAll(path.parent_path() / (name + XLDL_RESUME_RECORD_SUFFIX))) {
        return false;  // an unfinished download of it, to be resumed
    }
    const std::optional<FileMark> mark = readFileMark(path);
    if (!mark) {
        return true;
    }
    return mark->length == *length && sameResourceAddress(mark->resource, address) &&
           !differ(mark->etag, server.etag) && !differ(mark->lastModified, server.lastModified);
}

}  // namespace

CompleteFileGate::CompleteFileGate(std::vector<bool> chosen, bool force, Probe probe)
    : chosen_(std::move(chosen)), force_(force), probe_(std::move(probe)) {
    if (!probe_) {
        probe_ = [](const std::string& url, const std::atomic<bool>& giveUp) {
            return probeRemoteFile(url, &giveUp);
        };
    }
}

RowVerdict CompleteFileGate::admit(int row, const RowFile& file) {
    if (row < 0 || static_cast<std::size_t>(row) >= chosen_.size() ||
        !chosen_[static_cast<std::size_t>(row)]) {
        return {false, false, gbk(kNotChosenStatus)};
    }
    fileNames_[row] = gbkToUtf8(file.fileName);
    const std::string address = gbkToUtf8(file.address);
    if (giveUp_) {
        return {};
    }
    const RemoteFileFacts server = probe_(address, giveUp_);
    asked_[row] = server;
    if (!force_ && fileIsComplete(pathOf(file), address, server)) {
        completeLengths_[row] = server.length;
        return {false, true, gbk(kSkippedStatus)};
    }
    return {};
}

std::string CompleteFileGate::fileNameOf(int row) const {
    const auto found = fileNames_.find(row);
    return found == fileNames_.end() ? std::string() : found->second;
}

std::int64_t CompleteFileGate::completeLengthOf(int row) const {
    const auto found = completeLengths_.find(row);
    return found == completeLengths_.end() ? -1 : found->second;
}

void CompleteFileGate::finished(int row, const RowFile& file) {
    const auto asked = asked_.find(row);
    if (asked == asked_.end() || !asked->second.known) {
        return;
    }
    const fs::path path = pathOf(file);
    const std::optional<std::int64_t> length = plainFileLength(path);
    // A file of another length than announced changed on the server meanwhile:
    // the validators asked before are not its own.
    if (length && *length == asked->second.length) {
        writeFileMark(path, FileMark{resourceOf(gbkToUtf8(file.address)), *length,
                                     asked->second.etag, asked->second.lastModified});
    }
    asked_.erase(asked);
}

}  // namespace ld
