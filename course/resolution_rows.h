// The resolution's own picture of the parse list: every lecture row it found
// when it began and, for each, whether it still waits for its address, is
// being asked about (claimed by exactly one request) or is settled. Several
// requests run at once; the picture is what keeps two of them from taking the
// same row and what finds a row again after rows above it were deleted.
//
// While a search runs its rows are only ever deleted (清空列表, 删除失败),
// never inserted or reordered, so the rows still present are the picture's
// rows in the same order. The picture notices deletions by the row count and
// by checking the claimed row before every write; it then walks the list once
// to find each row again. A row that is gone is never claimed, and the answer
// for a claimed row that is gone is dropped. A list the picture cannot
// explain (rows that were never there) is read anew: claims still out are
// dropped and its rows without an address wait again.
//
// Threads: not synchronised. Every call reads and writes the window through
// `controls` and must run as one window step (inside SearchTicket::write);
// those steps also order the calls of the several request threads.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "text/text.h"
#include "window/controls.h"

namespace ld {

class ResolutionRows {
  public:
    // A row taken by one request: which row of the picture, and what to ask about.
    struct Claim {
        std::size_t entry = 0;
        Text videoId;
    };
    enum class Settled {
        Written,  // the address stands in the row
        RowGone,  // the row was deleted meanwhile: nothing written
        NotKept,  // the window did not keep the write: the resolution stops
    };

    // Takes the parse list as it is now: rows with an address are settled,
    // the others wait.
    void load(Controls& controls);
    // Claims the topmost waiting row; nullopt when none waits (or the
    // resolution stopped).
    std::optional<Claim> claimNext(Controls& controls);
    // Writes the claimed row's address if the row is still in the list.
    Settled settle(Controls& controls, const Claim& claim, const Text& address);
    // Rows still waiting, not yet claimed.
    [[nodiscard]] int waiting() const;

  private:
    enum class State { Waiting, Claimed, Settled, Gone };
    struct Entry {
        Text videoId;
        Text address;  // what the row shows once settled
        State state = State::Waiting;
        int position = -1;  // the row's index in the list as last seen
    };

    void appendRowsOf(Controls& controls);
    // Re-reads positions after a change of the row count.
    void follow(Controls& controls);
    // Whether the entry's row still stands where the picture has it.
    [[nodiscard]] bool inPlace(Controls& controls, const Entry& entry) const;
    [[nodiscard]] bool matches(Controls& controls, const Entry& entry, int row) const;
    // Finds every row again by walking the list once.
    void realign(Controls& controls);

    std::vector<Entry> entries_;
    std::size_t nextWaiting_ = 0;  // entries before this one wait no more
    int knownRows_ = 0;            // the list's row count after the last call
    bool stopped_ = false;
};

}  // namespace ld
