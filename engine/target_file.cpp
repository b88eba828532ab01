#include "engine/target_file.h"

#include "xldl/task_layout.h"

namespace ld::engine {
namespace {

// The highest " (n)" tried when looking for a free name.
constexpr int kMaxNameNumber = 9999;

// The 失败代码 for a failed file operation, or 0.
int failureFor(FileError error) {
    switch (error) {
        case FileError::None:
            return 0;
        case FileError::DiskFull:
            return XLDL_FAIL_DISK_FULL;
        case FileError::AccessDenied:
        case FileError::NotFound:
        case FileError::InvalidPath:
            return XLDL_FAIL_FOLDER;
        case FileError::AlreadyExists:
        case FileError::Other:
            break;
    }
    return XLDL_FAIL_FILE_IO;
}

}  // namespace

TargetFile::TargetFile(const TaskRequest& request, TargetClaims& claims, TargetWriter& writer)
    : folderPath_(folderPathFrom(request.folder)),
      wantedName_(fitNameLength(request.fileName)),
      noRenaming_(request.noRenaming),
      claims_(claims),
      writer_(writer),
      finalName_(wantedName_) {}

TargetFile::~TargetFile() {
    releaseClaim();
}

int TargetFile::open() {
    FileError error = FileError::None;
    folder_ = PlatformFolder::open(pathFromUtf8(folderPath_), error);
    if (!folder_.valid()) {
        return XLDL_FAIL_FOLDER;
    }
    const std::string identity = folder_.identity();
    if (identity.empty()) {
        return XLDL_FAIL_FOLDER;
    }
    folderKey_ = identity + '/';
    finalName_ = chooseFinalName();
    claimedKey_ = claimKey(finalName_);
    if (TargetWriter* previous = claims_.claim(claimedKey_, writer_)) {
        previous->supersede();
    }
    partialNames_ = partialNamesFor(finalName_);
    if (const FileError openError =
            data_.open(folder_, partialNames_.data, PlatformFile::Mode::ReadWrite);
        openError != FileError::None) {
        return failureFor(openError);
    }
    created_ = true;
    return 0;
}

std::string TargetFile::claimKey(const std::string& name) const {
    return folderKey_ + name;
}

std::string TargetFile::chooseFinalName() const {
    if (noRenaming_) {
        return wantedName_;
    }
    std::string candidate = wantedName_;
    for (int n = 1; n <= kMaxNameNumber && (folder_.contains(candidate) ||
                                            claims_.heldByOther(claimKey(candidate), writer_));
         ++n) {
        candidate = numberedName(wantedName_, n);
    }
    return candidate;
}

int TargetFile::truncate(std::int64_t length) {
    return failureFor(data_.truncate(length));
}

int TargetFile::preallocate(std::int64_t length) {
    return failureFor(data_.preallocate(length));
}

int TargetFile::writeAt(std::int64_t offset, const char* data, std::size_t size) {
    return failureFor(data_.writeAt(offset, data, size));
}

std::optional<ResumeMetadata> TargetFile::loadResume() const {
    return loadMetadata(folder_, partialNames_.metadata);
}

bool TargetFile::saveResume(const ResumeMetadata& record) const {
    if (!folder_.valid() || partialNames_.metadata.empty()) {
        return false;
    }
    saveMetadata(folder_, partialNames_.metadata, record);
    return true;
}

void TargetFile::removeResume() const {
    removeMetadata(folder_, partialNames_.metadata);
}

void TargetFile::close(bool keepPartial) {
    if (data_.isOpen()) {
        data_.close();
        if (!keepPartial) {
            folder_.remove(partialNames_.data);
            removeResume();
        }
    }
    releaseClaim();
}

int TargetFile::moveToFinalName() {
    data_.close();
    std::string name = finalName_;
    FileError error = folder_.rename(partialNames_.data, name, noRenaming_);
    for (int n = 1; error == FileError::AlreadyExists && n <= kMaxNameNumber; ++n) {
        // Someone created the target meanwhile: keep theirs, take the next free name.
        name = numberedName(wantedName_, n);
        error = folder_.rename(partialNames_.data, name, false);
    }
    if (error != FileError::None) {
        return XLDL_FAIL_RENAME;
    }
    finalName_ = name;
    removeResume();
    releaseClaim();
    return 0;
}

void TargetFile::handOver() {
    data_.close();
    claimedKey_.clear();
}

void TargetFile::releaseClaim() {
    if (!claimedKey_.empty()) {
        claims_.release(claimedKey_, writer_);
        claimedKey_.clear();
    }
}

}  // namespace ld::engine
