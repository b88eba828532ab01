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

#include "course/window_link.h"
#include "window/controls.h"

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

// What a worker of one search holds. It shares ownership of everything it
// uses, so a worker that outlives the window and its handlers touches nothing
// freed.
class SearchTicket {
  public:
    SearchTicket(std::shared_ptr<WindowLink> window, std::shared_ptr<const CourseSearches> searches,
                 std::uint64_t search)
        : window_(std::move(window)), searches_(std::move(searches)), search_(search) {}

    // Runs `group` as one step on the window's thread if this search is still
    // the current one. False when it was superseded or the window is gone or
    // closing (the group did not run); the worker then stops.
    bool write(const std::function<void(Controls&)>& group) const {
        bool ran = false;
        window_->use([&](Controls& controls) {
            controls.atomically([&] {
                if (searches_->isCurrent(search_)) {
                    group(controls);
                    ran = true;
                }
            });
        });
        return ran;
    }

    // Reads from the window (or starts a worker) without the search check;
    // false when the window is gone.
    bool read(const std::function<void(Controls&)>& body) const { return window_->use(body); }

  private:
    std::shared_ptr<WindowLink> window_;
    std::shared_ptr<const CourseSearches> searches_;
    std::uint64_t search_;
};

}  // namespace ld
