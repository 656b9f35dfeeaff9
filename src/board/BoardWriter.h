// Writes the board's copy on a thread of its own, so the disk's flushes (synchronous FULL) never
// hold up the broker's messages or the pages. Only the latest state of each ring is written, all
// rings of a round in one transaction; a failed write is tried again a second later.
#pragma once

#include "show/SqliteBoardStore.h"

#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace caniparc {

class BoardWriter {
public:
    BoardWriter(std::unique_ptr<SqliteBoardStore> store, std::string show);
    // Writes what is queued (one more try for what fails), then ends.
    ~BoardWriter();
    BoardWriter(const BoardWriter&) = delete;
    BoardWriter& operator=(const BoardWriter&) = delete;

    void Queue(const std::string& ring, BoardRingCopy copy);
    // Waits until everything queued so far is written or has failed once.
    void Flush();
    std::size_t Failures() const;

private:
    void Run();

    std::unique_ptr<SqliteBoardStore> store_;
    std::string show_;
    mutable std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::map<std::string, BoardRingCopy> pending_;
    bool busy_ = false;
    bool stop_ = false;
    bool failing_ = false; // the last write failed
    std::size_t failures_ = 0;
    std::thread thread_;
};

} // namespace caniparc
