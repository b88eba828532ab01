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
        case FileError::NotRegular:
            return XLDL_FAIL_NAME_TAKEN;
        case FileError::NoHandles:
            return XLDL_FAIL_NO_HANDLES;
        case FileError::AlreadyExists:
        case FileError::Other:
            break;
    }
    return XLDL_FAIL_FILE_IO;
}

}  // namespace

TargetFile::TargetFile(const TaskRequest& request, TargetClaims& claims, RecordSaver& saver,
                       TargetWriter& writer)
    : folderPath_(folderPathFrom(request.folder)),
      wantedName_(fitNameLength(request.fileName)),
      noRenaming_(request.noRenaming),
      claims_(claims),
      saver_(saver),
      writer_(writer),
      finalName_(wantedName_) {}

TargetFile::~TargetFile() {
    saver_.forget(this);
    releaseClaim();
}

int TargetFile::open() {
    if (const int code = openFolder(); code != 0) {
        return code;
    }
    return openData();
}

int TargetFile::reopen(bool& sameFile) {
    sameFile = false;
    if (const int code = open(); code != 0) {
        return code;
    }
    sameFile = !releasedIdentity_.empty() && data_.identity() == releasedIdentity_ &&
               data_.size() == releasedSize_;
    return 0;
}

int TargetFile::openFolder() {
    FileError error = FileError::None;
    folder_ = PlatformFolder::open(pathFromUtf8(folderPath_), error);
    if (!folder_.valid()) {
        return error == FileError::NoHandles ? XLDL_FAIL_NO_HANDLES : XLDL_FAIL_FOLDER;
    }
    const std::string identity = folder_.identity();
    if (identity.empty()) {
        return XLDL_FAIL_FOLDER;
    }
    const std::string key = identity + '/';
    if (named_ && key == folderKey_) {
        return 0;  // the same folder as before: same names, same claim
    }
    folderKey_ = key;
    if (!named_) {
        finalName_ = chooseFinalName();
        partialNames_ = partialNamesFor(finalName_);
        named_ = true;
    }
    releaseClaim();
    claimedKey_ = claimKey(finalName_);
    if (TargetWriter* previous = claims_.claim(claimedKey_, writer_)) {
        previous->supersede();
    }
    return 0;
}

int TargetFile::openData() {
    // Nothing is created beside a name that is not ours to use.
    for (const std::string& name : {partialNames_.data, partialNames_.metadata,
                                    temporaryMetadataName(partialNames_.metadata)}) {
        if (folder_.entry(name) == PlatformFolder::Entry::Other) {
            return XLDL_FAIL_NAME_TAKEN;
        }
    }
    if (const FileError error =
            data_.open(folder_, partialNames_.data, PlatformFile::Mode::ReadWrite);
        error != FileError::None) {
        return failureFor(error);
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

int TargetFile::readAt(std::int64_t offset, char* buffer, std::size_t size) {
    while (size > 0) {
        std::size_t got = 0;
        if (const FileError error = data_.readAt(offset, buffer, size, got);
            error != FileError::None) {
            return failureFor(error);
        }
        if (got == 0) {
            return XLDL_FAIL_FILE_IO;
        }
        buffer += got;
        size -= got;
        offset += static_cast<std::int64_t>(got);
    }
    return 0;
}

std::optional<ResumeMetadata> TargetFile::loadResume() const {
    return loadMetadata(folder_, partialNames_.metadata);
}

bool TargetFile::saveResume(const ResumeMetadata& record) {
    saver_.forget(this);  // an older save must not land after this one
    if (!folder_.valid() || !data_.isOpen() || partialNames_.metadata.empty()) {
        return false;
    }
    return data_.flush() == FileError::None &&
           saveMetadata(folder_, partialNames_.metadata, record);
}

bool TargetFile::saveResumeSoon(const ResumeMetadata& record) {
    if (!folder_.valid() || !data_.isOpen() || partialNames_.metadata.empty()) {
        return false;
    }
    RecordSaver::Job job{this, folder_.duplicate(), data_.duplicate(), partialNames_.metadata,
                         serializeMetadata(record)};
    if (!job.folder.valid() || !job.data.isOpen()) {
        return false;
    }
    saver_.submit(std::move(job));
    return true;
}

bool TargetFile::removeResume() {
    saver_.forget(this);
    return folder_.valid() && removeMetadata(folder_, partialNames_.metadata);
}

void TargetFile::release() {
    saver_.forget(this);
    releasedIdentity_ = data_.identity();
    releasedSize_ = data_.size();
    data_.close();
    folder_ = PlatformFolder();
}

void TargetFile::close(bool keepPartial) {
    saver_.forget(this);
    if (data_.isOpen()) {
        data_.close();
        // The record goes first: it must never outlive the data it describes.
        if (!keepPartial && removeResume()) {
            folder_.remove(partialNames_.data);
        }
    }
    folder_ = PlatformFolder();
    releaseClaim();
}

int TargetFile::moveToFinalName() {
    // Once the data is renamed, a record left behind would describe whatever else then has
    // the partial name (the old data, after a swap with the file it replaces).
    if (!removeResume()) {
        return XLDL_FAIL_RENAME;
    }
    data_.close();
    std::string name = finalName_;
    FileError error = folder_.rename(partialNames_.data, name, noRenaming_);
    for (int n = 1; error == FileError::AlreadyExists && n <= kMaxNameNumber; ++n) {
        // Someone created the target meanwhile: keep theirs, take the next free name.
        name = numberedName(wantedName_, n);
        error = folder_.rename(partialNames_.data, name, false);
    }
    if (error != FileError::None) {
        data_.open(folder_, partialNames_.data, PlatformFile::Mode::ReadWrite);
        return XLDL_FAIL_RENAME;
    }
    finalName_ = name;
    folder_ = PlatformFolder();
    releaseClaim();
    return 0;
}

void TargetFile::handOver() {
    saver_.forget(this);
    data_.close();
    folder_ = PlatformFolder();
    claimedKey_.clear();
}

void TargetFile::releaseClaim() {
    if (!claimedKey_.empty()) {
        claims_.release(claimedKey_, writer_);
        claimedKey_.clear();
    }
}

}  // namespace ld::engine
