// The board's durable copy (see SqliteBoardStore.h).
#include "show/SqliteBoardStore.h"

#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <variant>

namespace caniparc {

namespace {

constexpr const char* Schema = R"sql(
PRAGMA journal_mode=WAL;
PRAGMA synchronous=FULL;
CREATE TABLE IF NOT EXISTS ring(show TEXT NOT NULL, name TEXT NOT NULL, copy TEXT NOT NULL,
                                PRIMARY KEY(show, name)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS recent(show TEXT NOT NULL, name TEXT NOT NULL, numbers TEXT NOT NULL,
                                  PRIMARY KEY(show, name)) WITHOUT ROWID;
)sql";

// The start numbers as a JSON array of strings; anything else reads as none.
std::vector<std::string> ReadNumbers(std::string_view text) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    std::vector<std::string> numbers;
    if (!json.is_array())
        return numbers;
    for (const nlohmann::json& number : json)
        if (number.is_string() && numbers.size() < BoardRing::MaxRecent)
            numbers.push_back(number.get<std::string>());
    return numbers;
}

bool Put(sqlite3* db, const char* sql, const std::string& show, const std::string& ring, const std::string& text) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    sqlite3_bind_text(stmt, 1, show.data(), static_cast<int>(show.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, ring.data(), static_cast<int>(ring.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 3, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    const bool ok = stmt && sqlite3_step(stmt) == SQLITE_DONE;
    sqlite3_finalize(stmt);
    return ok;
}

std::string_view ColumnText(sqlite3_stmt* stmt, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)))
                : std::string_view();
}

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

bool SqliteBoardStore::Save(const std::string& show, const std::string& ring, const BoardRingCopy& copy) {
    return Put(db_,
               "INSERT INTO ring(show, name, copy) VALUES(?1, ?2, ?3) "
               "ON CONFLICT(show, name) DO UPDATE SET copy = ?3",
               show, ring, WriteShowMessage(copy.snapshot)) &&
           Put(db_,
               "INSERT INTO recent(show, name, numbers) VALUES(?1, ?2, ?3) "
               "ON CONFLICT(show, name) DO UPDATE SET numbers = ?3",
               show, ring, nlohmann::json(copy.recent).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

bool SqliteBoardStore::SaveAll(const std::string& show,
                               const std::vector<std::pair<std::string, BoardRingCopy>>& copies) {
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

std::vector<std::pair<std::string, BoardRingCopy>> SqliteBoardStore::Load(const std::string& show) {
    std::vector<std::pair<std::string, BoardRingCopy>> rings;
    sqlite3_stmt* stmt = nullptr;
    // A copy written before the list of recent runs was kept has none.
    sqlite3_prepare_v2(db_,
                       "SELECT ring.name, ring.copy, recent.numbers FROM ring LEFT JOIN recent "
                       "ON recent.show = ring.show AND recent.name = ring.name WHERE ring.show = ?1 ORDER BY ring.name",
                       -1, &stmt, nullptr);
    sqlite3_bind_text(stmt, 1, show.data(), static_cast<int>(show.size()), SQLITE_TRANSIENT);
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
        if (!sqlite3_column_text(stmt, 0) || !sqlite3_column_text(stmt, 1))
            continue;
        ShowReadResult read = ReadShowMessage(ColumnText(stmt, 1));
        if (auto* snapshot = std::get_if<SnapshotMessage>(&read.message); read.Ok() && snapshot)
            rings.emplace_back(std::string(ColumnText(stmt, 0)),
                               BoardRingCopy{std::move(*snapshot), ReadNumbers(ColumnText(stmt, 2))});
    }
    sqlite3_finalize(stmt);
    return rings;
}

} // namespace caniparc
