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
#include "engine/record_saver.h"
#include "engine/resume_metadata.h"
#include "engine/target_claims.h"
#include "engine/target_name.h"

namespace ld::engine {

class TargetFile {
  public:
    // `writer` is the task the claims are held for; `claims` and `saver` must outlive this
    // object.
    TargetFile(const TaskRequest& request, TargetClaims& claims, RecordSaver& saver,
               TargetWriter& writer);
    // Closes the partial file as it is and releases the claim.
    ~TargetFile();
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    // Opens (creating) the folder and the partial data file. The first open picks the final
    // name and claims it (an older writer of the same target is superseded first, so its
    // resume record is on disk); a later one, after release(), opens the same names again
    // and tells through `sameFile` whether the partial file is still the one released (not
    // removed, replaced or cut meanwhile). A name taken by something that is not a regular
    // file fails with XLDL_FAIL_NAME_TAKEN before anything is created.
    int open();
    int reopen(bool& sameFile);
    bool isOpen() const { return data_.isOpen(); }
    // The partial data file has been created (the task got as far as the disk).
    bool created() const { return created_; }
    // The name the file has or will get.
    const std::string& finalName() const { return finalName_; }

    std::int64_t size() const { return data_.size(); }
    int truncate(std::int64_t length);
    int preallocate(std::int64_t length);
    int writeAt(std::int64_t offset, const char* data, std::size_t size);
    // Reads exactly `size` bytes at `offset`; a file that ends before is a failure.
    int readAt(std::int64_t offset, char* buffer, std::size_t size);

    std::optional<ResumeMetadata> loadResume() const;
    // Flushes the partial data to the disk, then writes the record, which therefore never
    // claims a byte the data file does not hold, even after a power cut. False, and nothing
    // written, while the files are not open or when either step fails.
    bool saveResume(const ResumeMetadata& record);
    // The same on the saver's thread, without waiting; false when it could not be handed
    // over (no handle left to lend it). A later save or removal supersedes it.
    bool saveResumeSoon(const ResumeMetadata& record);
    // Removes the record for good (also across a power cut); called before the data it
    // describes is cut or renamed. False when it is still there: the data must stay as it is.
    bool removeResume();

    // Closes the partial file and the folder but keeps the names and the claim: a paused
    // task holds no file handle. The task saves its record first.
    void release();
    // Closes the partial file and the folder and releases the claim. Without `keepPartial`
    // the record and then the data are removed; with it the task saves the record first.
    void close(bool keepPartial);
    // Removes the record, closes the complete data file and gives it its final name, or the
    // next free numbered one when a file of that name appeared meanwhile. On success the
    // claim is released and nothing stays open; on failure the data keeps its partial name,
    // open again so the task can save its record, and 0 is not returned.
    int moveToFinalName();
    // The claim passed to a newer writer: close the files and forget the claim.
    void handOver();

  private:
    int openFolder();
    int openData();
    std::string claimKey(const std::string& name) const;
    std::string chooseFinalName() const;
    void releaseClaim();

    std::string folderPath_;
    std::string wantedName_;
    bool noRenaming_;
    TargetClaims& claims_;
    RecordSaver& saver_;
    TargetWriter& writer_;

    PlatformFolder folder_;
    std::string folderKey_;
    std::string finalName_;
    std::string claimedKey_;
    PartialNames partialNames_;
    bool named_ = false;
    PlatformFile data_;
    bool created_ = false;
    // The partial file as release() left it, to tell it again on reopen().
    std::string releasedIdentity_;
    std::int64_t releasedSize_ = -1;
};

}  // namespace ld::engine
