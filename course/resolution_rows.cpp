#include "course/resolution_rows.h"

#include <algorithm>

#include "window/control_aliases.h"

namespace ld {

void ResolutionRows::load(Controls& controls) {
    entries_.clear();
    nextWaiting_ = 0;
    stopped_ = false;
    appendRowsOf(controls);
}

void ResolutionRows::appendRowsOf(Controls& controls) {
    const int rows = controls.rowCount(kParseList);
    entries_.reserve(entries_.size() + static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        Entry entry;
        entry.videoId = controls.getCellText(kParseList, row, kParseVideoIdColumn);
        entry.address = controls.getCellText(kParseList, row, kParseAddressColumn);
        entry.state = entry.address.empty() ? State::Waiting : State::Settled;
        entry.position = row;
        entries_.push_back(std::move(entry));
    }
    knownRows_ = rows;
}

bool ResolutionRows::matches(Controls& controls, const Entry& entry, int row) const {
    if (controls.getCellText(kParseList, row, kParseVideoIdColumn) != entry.videoId) {
        return false;
    }
    const Text shown = controls.getCellText(kParseList, row, kParseAddressColumn);
    return entry.state == State::Settled ? shown == entry.address : shown.empty();
}

bool ResolutionRows::inPlace(Controls& controls, const Entry& entry) const {
    return entry.position >= 0 && entry.position < knownRows_ &&
           matches(controls, entry, entry.position);
}

void ResolutionRows::follow(Controls& controls) {
    if (controls.rowCount(kParseList) != knownRows_) {
        realign(controls);
    }
}

void ResolutionRows::realign(Controls& controls) {
    // The rows left are the picture's rows in order, less the deleted ones:
    // each row is the first entry still unmatched that shows the same.
    const int rows = controls.rowCount(kParseList);
    int row = 0;
    for (Entry& entry : entries_) {
        if (entry.state == State::Gone) {
            continue;
        }
        if (row < rows && matches(controls, entry, row)) {
            entry.position = row++;
        } else {
            entry.state = State::Gone;
            entry.position = -1;
        }
    }
    knownRows_ = rows;
    if (row < rows) {
        // Rows the picture never held: start over from the list as it is.
        for (Entry& entry : entries_) {
            entry.state = State::Gone;
            entry.position = -1;
        }
        appendRowsOf(controls);
    }
}

std::optional<ResolutionRows::Claim> ResolutionRows::claimNext(Controls& controls) {
    if (stopped_) {
        return std::nullopt;
    }
    follow(controls);
    bool realigned = false;
    while (nextWaiting_ < entries_.size()) {
        if (entries_[nextWaiting_].state != State::Waiting) {
            ++nextWaiting_;
            continue;
        }
        if (!inPlace(controls, entries_[nextWaiting_])) {
            if (realigned) {
                // Still not where the list was just read: never ask about it.
                entries_[nextWaiting_].state = State::Gone;
            } else {
                realign(controls);
                realigned = true;
            }
            continue;
        }
        Entry& entry = entries_[nextWaiting_];
        entry.state = State::Claimed;
        return Claim{nextWaiting_++, entry.videoId};
    }
    return std::nullopt;
}

ResolutionRows::Settled ResolutionRows::settle(Controls& controls, const Claim& claim,
                                               const Text& address) {
    follow(controls);
    if (claim.entry >= entries_.size()) {
        return Settled::RowGone;
    }
    if (entries_[claim.entry].state == State::Claimed &&
        !inPlace(controls, entries_[claim.entry])) {
        realign(controls);
    }
    Entry& entry = entries_[claim.entry];
    if (entry.state != State::Claimed) {
        return Settled::RowGone;
    }
    controls.setCellText(kParseList, entry.position, kParseAddressColumn, address);
    if (controls.getCellText(kParseList, entry.position, kParseAddressColumn) != address) {
        // A window that no longer keeps what is written would show this row
        // as waiting again and again.
        stopped_ = true;
        entry.state = State::Gone;
        return Settled::NotKept;
    }
    entry.state = State::Settled;
    entry.address = address;
    return Settled::Written;
}

int ResolutionRows::waiting() const {
    const auto first = entries_.begin() + static_cast<std::ptrdiff_t>(nextWaiting_);
    return static_cast<int>(std::count_if(
        first, entries_.end(), [](const Entry& entry) { return entry.state == State::Waiting; }));
}

}  // namespace ld
