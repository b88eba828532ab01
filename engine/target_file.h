// The files of one task: the target's folder, the final name and its claim, the partial data
// file and the resume record beside it, and the rename that completes the download. Engine
// thread only. Operations that touch the disk return 0 or the 失败代码 the task fails with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/create_record.h"
#include "engine/platform_file.h"
#include "engine/resume_metadata.h"
#include "engine/target_claims.h"
#include "engine/target_name.h"

namespace ld::engine {

class TargetFile {
  public:
    // `writer` is the task the claims are held for; `claims` must outlive this object.
    TargetFile(const TaskRequest& request, TargetClaims& claims, TargetWriter& writer);
    // Closes the partial file as it is and releases the claim.
    ~TargetFile();
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    // Opens (creating) the folder, picks the final name, claims it (an older writer of the
    // same target is superseded first, so its resume record is on disk) and opens the
    // partial data file.
    int open();
    bool isOpen() const { return data_.isOpen(); }
    // The partial data file has been created (the task got as far as the disk).
    bool created() const { return created_; }
    // The name the file has or will get.
    const std::string& finalName() const { return finalName_; }

    std::int64_t size() const { return data_.size(); }
    int truncate(std::int64_t length);
    int preallocate(std::int64_t length);
    int writeAt(std::int64_t offset, const char* data, std::size_t size);

    std::optional<ResumeMetadata> loadResume() const;
    // False, and nothing written, while there is no folder to write into.
    bool saveResume(const ResumeMetadata& record) const;
    void removeResume() const;

    // Closes the partial file and releases the claim. Without `keepPartial` the data and its
    // record are removed; with it the task saves the record first.
    void close(bool keepPartial);
    // Closes the complete data file and gives it its final name, or the next free numbered
    // one when a file of that name appeared meanwhile. On success the record is removed and
    // the claim released; on failure the data keeps its partial name and 0 is not returned.
    int moveToFinalName();
    // The claim passed to a newer writer: close the file and forget the claim.
    void handOver();

  private:
    std::string claimKey(const std::string& name) const;
    std::string chooseFinalName() const;
    void releaseClaim();

    std::string folderPath_;
    std::string wantedName_;
    bool noRenaming_;
    TargetClaims& claims_;
    TargetWriter& writer_;

    PlatformFolder folder_;
    std::string folderKey_;
    std::string finalName_;
    std::string claimedKey_;
    PartialNames partialNames_;
    PlatformFile data_;
    bool created_ = false;
};

}  // namespace ld::engine
