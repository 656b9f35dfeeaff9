// The board's copy written in the background (see BoardWriter.h).
#include "BoardWriter.h"

#include <chrono>
#include <utility>
#include <vector>

namespace caniparc {

BoardWriter::BoardWriter(std::unique_ptr<SqliteBoardStore> store, std::string show)
    : store_(std::move(store)), show_(std::move(show)), thread_([this] { Run(); }) {}

BoardWriter::~BoardWriter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void BoardWriter::Queue(const std::string& ring, BoardRingCopy copy) {
    {
        std::lock_guard lock(mutex_);
        pending_.insert_or_assign(ring, std::move(copy));
    }
    wake_.notify_all();
}

void BoardWriter::Flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !busy_ && (pending_.empty() || failing_); });
}

std::size_t BoardWriter::Failures() const {
    std::lock_guard lock(mutex_);
    return failures_;
}

void BoardWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (failing_) // after a failed write, not at once again
            wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_; });
        wake_.wait(lock, [this] { return stop_ || !pending_.empty(); });
        if (pending_.empty()) // stopped with nothing left
            return;
        std::vector<std::pair<std::string, BoardRingCopy>> round;
        for (auto& [ring, copy] : pending_)
            round.emplace_back(ring, std::move(copy));
        pending_.clear();
        busy_ = true;
        lock.unlock();
        const bool ok = store_->SaveAll(show_, round);
        lock.lock();
        busy_ = false;
        failing_ = !ok;
        if (!ok) {
            ++failures_;
            for (auto& [ring, copy] : round) // a newer copy queued meanwhile wins
                pending_.try_emplace(ring, std::move(copy));
            if (stop_) {
                pending_.clear();
                idle_.notify_all();
                return;
            }
        }
        // Flush waits for one try, not for the disk to come back.
        idle_.notify_all();
    }
}

} // namespace caniparc
