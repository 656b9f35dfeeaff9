// The outbox on disk: one SQLite file in WAL mode with full synchronisation, so a record that
// Append returned for survives a crash of the station or of the machine.
#pragma once

#include "show/Outbox.h"

#include <filesystem>
#include <memory>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace caniparc {

class SqliteOutboxStore final : public OutboxStore {
public:
    // Opens or creates the file; nothing and the reason when that fails.
    static std::unique_ptr<SqliteOutboxStore> Open(const std::filesystem::path& path, std::string& error);
    ~SqliteOutboxStore() override;
    SqliteOutboxStore(const SqliteOutboxStore&) = delete;
    SqliteOutboxStore& operator=(const SqliteOutboxStore&) = delete;

    std::optional<std::string> Meta(std::string_view key) override;
    bool SetMeta(std::string_view key, std::string_view value) override;
    bool Append(std::uint64_t epoch, std::uint64_t seq, std::string_view body) override;
    bool MarkSent(std::uint64_t epoch, std::uint64_t seq) override;
    std::uint64_t LastSeq(std::uint64_t epoch) override;
    std::size_t UnsentCount(std::uint64_t epoch) override;
    std::vector<OutboxRecord> After(std::uint64_t epoch, std::uint64_t after, std::size_t limit,
                                    bool unsentOnly) override;

    // Forgets sent records of other epochs and all but the newest `keep` sent ones of `epoch`.
    bool Prune(std::uint64_t epoch, std::size_t keep);

private:
    explicit SqliteOutboxStore(sqlite3* db) : db_(db) {}
    sqlite3_stmt* Prepare(const char* sql);

    sqlite3* db_;
};

} // namespace caniparc
