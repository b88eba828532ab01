#include "engine/transfer_set.h"

#include "xldl/task_layout.h"

namespace ld::engine {

void TransferSet::cancelAll() {
    for (const auto& transfer : transfers_) {
        transfer->cancel();
    }
}

void TransferSet::cancelAllBut(const Transfer& kept) {
    for (const auto& transfer : transfers_) {
        if (transfer.get() != &kept) {
            transfer->cancel();
        }
    }
}

void TransferSet::holdOrCancel(bool holdDelivering) {
    for (const auto& transfer : transfers_) {
        if (holdDelivering && transfer->delivering()) {
            transfer->pause();
        } else {
            transfer->cancel();
        }
    }
}

bool TransferSet::releaseHeld() {
    bool any = false;
    for (const auto& transfer : transfers_) {
        if (transfer->paused()) {
            any = true;
            transfer->unpause();
        }
    }
    return any;
}

void TransferSet::timeOutStalled(Transfer::Clock::time_point now) {
    for (const auto& transfer : transfers_) {
        if (transfer->stalled(now)) {
            transfer->settle({TransferVerdict::Kind::Transient, XLDL_FAIL_TIMEOUT, {}});
        }
    }
}

int TransferSet::delivering() const {
    return static_cast<int>(std::count_if(transfers_.begin(), transfers_.end(),
                                          [](const auto& t) { return t->delivering(); }));
}

bool TransferSet::othersDelivering(const Transfer& besides) const {
    return std::any_of(transfers_.begin(), transfers_.end(), [&besides](const auto& t) {
        return t.get() != &besides && t->delivering();
    });
}

int TransferSet::flowing() const {
    return static_cast<int>(std::count_if(transfers_.begin(), transfers_.end(), [](const auto& t) {
        return (t->delivering() || (t->continuation() && !t->ended())) && !t->paused();
    }));
}

}  // namespace ld::engine
