// The terminal mode's say over each row of the download list (see
// download/queue/row_gate.h): a lecture that was not chosen is passed by
// ("未选择"), and so is one whose file is already complete in the folder
// ("已存在，跳过"): the file is there under the row's own name, no partial
// data or resume record lies beside it, its length is what the server reports
// now, and where the file's mark (file_mark.h) and the server both give an
// ETag or a Last-Modified, they are the same; the mark also names the same
// resource. Anything in doubt (the server tells no length, the file cannot be
// read) downloads again. With `force` every chosen row downloads.
//
// Every chosen row's server facts are asked before its download, and a file
// the queue finished gets its mark from them: a file that changed on the
// server meanwhile carries the older validators and is fetched again next
// time, never passed by wrongly.
//
// Called on the window's thread (the queue's handlers); the session reads the
// names back inside one of the window's atomic steps.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/terminal/remote_file_facts.h"
#include "download/queue/row_gate.h"

namespace ld {

inline constexpr const char* kSkippedStatus = "已存在，跳过";
inline constexpr const char* kNotChosenStatus = "未选择";

class CompleteFileGate final : public RowGate {
  public:
    // Asks the server about the file; should end soon once `giveUp` is true.
    using Probe =
        std::function<RemoteFileFacts(const std::string& url, const std::atomic<bool>& giveUp)>;

    // `chosen[row]`: whether that row of the download list is to be
    // downloaded (rows past its end are not). Without a probe, the server
    // is asked as remote_file_facts.h says.
    CompleteFileGate(std::vector<bool> chosen, bool force, Probe probe = {});

    RowVerdict admit(int row, const RowFile& file) override;
    void finished(int row, const RowFile& file) override;

    // The name the queue gave a chosen row's file (UTF-8); empty before the
    // queue came to the row.
    [[nodiscard]] std::string fileNameOf(int row) const;
    // The length of a file passed by as complete; -1 for any other row.
    [[nodiscard]] std::int64_t completeLengthOf(int row) const;

    // Any thread: the run stops. A question to the server still open is
    // given up (the row then downloads, to be paused at once), and no other
    // is asked.
    void giveUp() { giveUp_ = true; }

  private:
    std::vector<bool> chosen_;
    bool force_;
    Probe probe_;
    std::atomic<bool> giveUp_{false};
    std::map<int, RemoteFileFacts> asked_;  // by row, before its download
    std::map<int, std::string> fileNames_;
    std::map<int, std::int64_t> completeLengths_;
};

}  // namespace ld
