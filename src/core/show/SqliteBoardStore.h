// The board's own durable copy of every ring: one SQLite file (WAL, synchronous FULL) with each
// ring's state as a snapshot and its runs entered lately, so a restarted board shows everything
// at once, even when the broker it comes back to is empty.
#pragma once

#include "show/BoardRing.h"

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

namespace caniparc {

class SqliteBoardStore {
public:
    static std::unique_ptr<SqliteBoardStore> Open(const std::filesystem::path& path, std::string& error);
    ~SqliteBoardStore();
    SqliteBoardStore(const SqliteBoardStore&) = delete;
    SqliteBoardStore& operator=(const SqliteBoardStore&) = delete;

    bool Save(const std::string& show, const std::string& ring, const BoardRingCopy& copy);
    // Several rings in one transaction: one write to the disk for all of them.
    bool SaveAll(const std::string& show, const std::vector<std::pair<std::string, BoardRingCopy>>& copies);
    // The rings of `show` whose copies read back; a damaged copy is left out (the station's
    // snapshot replaces it), a damaged list of recent runs is read as none.
    std::vector<std::pair<std::string, BoardRingCopy>> Load(const std::string& show);

private:
    explicit SqliteBoardStore(sqlite3* db) : db_(db) {}
    sqlite3* db_;
};

} // namespace caniparc
