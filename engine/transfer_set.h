// The transfers one task has out at a time, and what the task does to all of them at once.
// Owns them; engine thread only.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "engine/transfer.h"

namespace ld::engine {

class TransferSet {
  public:
    bool empty() const { return transfers_.empty(); }
    std::size_t size() const { return transfers_.size(); }
    void add(std::unique_ptr<Transfer> transfer) { transfers_.push_back(std::move(transfer)); }
    // Destroys every transfer, which takes it off the multi handle.
    void clear() { transfers_.clear(); }

    void cancelAll();
    void cancelAllBut(const Transfer& kept);
    // Holds the connections that deliver when `holdDelivering`, cancels every other one.
    void holdOrCancel(bool holdDelivering);
    // Releases held connections; true when there were any.
    bool releaseHeld();
    // Ends the transfers that stalled as transient failures.
    void timeOutStalled(Transfer::Clock::time_point now);

    // The transfer of that id, if it is out.
    const Transfer* find(int id) const {
        const auto it = std::find_if(transfers_.begin(), transfers_.end(),
                                     [id](const auto& t) { return t->id() == id; });
        return it == transfers_.end() ? nullptr : it->get();
    }
    // Connections serving data, held ones included.
    int delivering() const;
    bool othersDelivering(const Transfer& besides) const;
    // Connections serving data right now (not held), a piece following a whole one included.
    int flowing() const;

    // Calls `settle(transfer)` for each ended transfer the task did not cancel; settling may
    // settle others.
    template <typename Settle>
    void settleEnded(Settle settle) {
        for (std::size_t i = 0; i < transfers_.size(); ++i) {
            Transfer& transfer = *transfers_[i];
            if (transfer.ended() && transfer.verdict().kind != TransferVerdict::Kind::Cancelled) {
                settle(transfer);
            }
        }
    }
    // Destroys every ended transfer after calling `release(transfer)` for it.
    template <typename Release>
    void removeEnded(Release release) {
        std::erase_if(transfers_, [&release](const std::unique_ptr<Transfer>& transfer) {
            if (!transfer->ended()) {
                return false;
            }
            release(*transfer);
            return true;
        });
    }

  private:
    std::vector<std::unique_ptr<Transfer>> transfers_;
};

}  // namespace ld::engine
