// The board's durable copy (see SqliteBoardStore.h).
#include "show/SqliteBoardStore.h"

#include <sqlite3.h>

#include <variant>

namespace caniparc {

namespace {

constexpr const char* Schema = R"sql(
PRAGMA journal_mode=WAL;
PRAGMA synchronous=FULL;
CREATE TABLE IF NOT EXISTS ring(show TEXT NOT NULL, name TEXT NOT NULL, copy TEXT NOT NULL,
                                PRIMARY KEY(show, name)) WITHOUT ROWID;
)sql";

} // namespace

std::unique_ptr<SqliteBoardStore> SqliteBoardStore::Open(const std::filesystem::path& path, std::string& error) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.string().c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    char* message = nullptr;
    if (rc != SQLITE_OK || sqlite3_exec(db, Schema, nullptr, nullptr, &message) != SQLITE_OK) {
        error = message ? message : db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_free(message);
        sqlite3_close(db);
        return nullptr;
    }
    return std::unique_ptr<SqliteBoardStore>(new SqliteBoardStore(db));
}

SqliteBoardStore::~SqliteBoardStore() {
    sqlite3_close(db_);
}

bool SqliteBoardStore::Save(const std::string& show, const std::string& ring, const SnapshotMessage& copy) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db_,
                       "INSERT INTO ring(show, name, copy) VALUES(?1, ?2, ?3) "
                       "ON CONFLICT(show, name) DO UPDATE SET copy = ?3",
                       -1, &stmt, nullptr);
    const std::string text = WriteShowMessage(copy);
    sqlite3_bind_text(stmt, 1, show.data(), static_cast<int>(show.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, ring.data(), static_cast<int>(ring.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 3, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    const bool ok = stmt && sqlite3_step(stmt) == SQLITE_DONE;
    sqlite3_finalize(stmt);
    return ok;
}

bool SqliteBoardStore::SaveAll(const std::string& show,
                               const std::vector<std::pair<std::string, SnapshotMessage>>& copies) {
    if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    bool ok = true;
    for (const auto& [ring, copy] : copies)
        ok = Save(show, ring, copy) && ok;
    if (!ok) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    return sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::vector<std::pair<std::string, SnapshotMessage>> SqliteBoardStore::Load(const std::string& show) {
    std::vector<std::pair<std::string, SnapshotMessage>> rings;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db_, "SELECT name, copy FROM ring WHERE show = ?1 ORDER BY name", -1, &stmt, nullptr);
    sqlite3_bind_text(stmt, 1, show.data(), static_cast<int>(show.size()), SQLITE_TRANSIENT);
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        const auto* copy = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
        if (!name || !copy)
            continue;
        ShowReadResult read =
            ReadShowMessage(std::string_view(copy, static_cast<std::size_t>(sqlite3_column_bytes(stmt, 1))));
        if (auto* snapshot = std::get_if<SnapshotMessage>(&read.message); read.Ok() && snapshot)
            rings.emplace_back(name, std::move(*snapshot));
    }
    sqlite3_finalize(stmt);
    return rings;
}

} // namespace caniparc
