// Which search is the current one. Every click of the search button starts a
// new search and supersedes all earlier ones: from that moment no worker of an
// earlier search writes a cell, a label or a button again.
//
// The click bumps the count on the window's thread. A worker writes only
// through SearchTicket::write, which runs the check and the write as one step
// on the window's thread, so a click cannot fall between them.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/seam/controls.h"

namespace ld {

class CourseSearches {
  public:
    // On the window's thread, for each click of the search button.
    std::uint64_t beginSearch() noexcept { return ++current_; }
    [[nodiscard]] bool isCurrent(std::uint64_t search) const noexcept {
        return current_.load() == search;
    }

  private:
    std::atomic<std::uint64_t> current_{0};
};

// What a worker of one search holds. It keeps the search counter alive by
// itself, so a worker that outlives the wiring touches nothing freed.
class SearchTicket {
  public:
    SearchTicket(Controls& controls, std::shared_ptr<const CourseSearches> searches,
                 std::uint64_t search)
        : controls_(&controls), searches_(std::move(searches)), search_(search) {}

    [[nodiscard]] Controls& controls() const noexcept { return *controls_; }

    // Runs `group` as one step on the window's thread if this search is still
    // the current one. False when it was superseded or the window is gone
    // (the group did not run); the worker then stops.
    bool write(const std::function<void(Controls&)>& group) const {
        bool ran = false;
        controls_->atomically([&] {
            if (searches_->isCurrent(search_)) {
                group(*controls_);
                ran = true;
            }
        });
        return ran;
    }

  private:
    Controls* controls_;
    std::shared_ptr<const CourseSearches> searches_;
    std::uint64_t search_;
};

}  // namespace ld
