// The outbox in SQLite (see SqliteOutboxStore.h).
#include "show/SqliteOutboxStore.h"

#include <sqlite3.h>

namespace caniparc {

namespace {

// One prepared statement, finalized on every path out.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return stmt_ != nullptr; }
    Statement& Bind(int i, std::uint64_t v) {
        sqlite3_bind_int64(stmt_, i, static_cast<sqlite3_int64>(v));
        return *this;
    }
    Statement& Bind(int i, std::string_view v) {
        sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    int Step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
    bool Done() { return Step() == SQLITE_DONE; }
    std::uint64_t Number(int col) { return static_cast<std::uint64_t>(sqlite3_column_int64(stmt_, col)); }
    std::string Text(int col) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
        return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, col))) : std::string();
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* Schema = R"sql(
PRAGMA journal_mode=WAL;
PRAGMA synchronous=FULL;
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS outbox(epoch INTEGER NOT NULL, seq INTEGER NOT NULL, body TEXT NOT NULL,
                                  sent INTEGER NOT NULL DEFAULT 0, PRIMARY KEY(epoch, seq)) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS outbox_unsent ON outbox(epoch, seq) WHERE sent = 0;
)sql";

} // namespace

std::unique_ptr<SqliteOutboxStore> SqliteOutboxStore::Open(const std::filesystem::path& path, std::string& error) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.string().c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        return nullptr;
    }
    char* message = nullptr;
    if (sqlite3_exec(db, Schema, nullptr, nullptr, &message) != SQLITE_OK) {
        error = message ? message : "SQLite";
        sqlite3_free(message);
        sqlite3_close(db);
        return nullptr;
    }
    return std::unique_ptr<SqliteOutboxStore>(new SqliteOutboxStore(db));
}

SqliteOutboxStore::~SqliteOutboxStore() {
    sqlite3_close(db_);
}

std::optional<std::string> SqliteOutboxStore::Meta(std::string_view key) {
    Statement s(db_, "SELECT value FROM meta WHERE key = ?1");
    s.Bind(1, key);
    if (s.Step() != SQLITE_ROW)
        return std::nullopt;
    return s.Text(0);
}

bool SqliteOutboxStore::SetMeta(std::string_view key, std::string_view value) {
    Statement s(db_, "INSERT INTO meta(key, value) VALUES(?1, ?2) ON CONFLICT(key) DO UPDATE SET value = ?2");
    return s.Bind(1, key).Bind(2, value).Done();
}

bool SqliteOutboxStore::Append(std::uint64_t epoch, std::uint64_t seq, std::string_view body) {
    Statement s(db_, "INSERT INTO outbox(epoch, seq, body) VALUES(?1, ?2, ?3)");
    return s.Bind(1, epoch).Bind(2, seq).Bind(3, body).Done();
}

bool SqliteOutboxStore::MarkSent(std::uint64_t epoch, std::uint64_t seq) {
    Statement s(db_, "UPDATE outbox SET sent = 1 WHERE epoch = ?1 AND seq = ?2");
    return s.Bind(1, epoch).Bind(2, seq).Done() && sqlite3_changes(db_) == 1;
}

std::uint64_t SqliteOutboxStore::LastSeq(std::uint64_t epoch) {
    Statement s(db_, "SELECT max(seq) FROM outbox WHERE epoch = ?1");
    s.Bind(1, epoch);
    return s.Step() == SQLITE_ROW ? s.Number(0) : 0;
}

std::size_t SqliteOutboxStore::UnsentCount(std::uint64_t epoch) {
    Statement s(db_, "SELECT count(*) FROM outbox WHERE epoch = ?1 AND sent = 0");
    s.Bind(1, epoch);
    return s.Step() == SQLITE_ROW ? static_cast<std::size_t>(s.Number(0)) : 0;
}

std::vector<OutboxRecord> SqliteOutboxStore::After(std::uint64_t epoch, std::uint64_t after, std::size_t limit,
                                                   bool unsentOnly) {
    Statement s(db_, unsentOnly
                         ? "SELECT seq, body, sent FROM outbox WHERE epoch = ?1 AND seq > ?2 AND sent = 0 "
                           "ORDER BY seq LIMIT ?3"
                         : "SELECT seq, body, sent FROM outbox WHERE epoch = ?1 AND seq > ?2 ORDER BY seq LIMIT ?3");
    s.Bind(1, epoch).Bind(2, after).Bind(3, static_cast<std::uint64_t>(limit));
    std::vector<OutboxRecord> out;
    while (s.Step() == SQLITE_ROW)
        out.push_back({s.Number(0), s.Text(1), s.Number(2) != 0});
    return out;
}

bool SqliteOutboxStore::Prune(std::uint64_t epoch, std::size_t keep) {
    Statement other(db_, "DELETE FROM outbox WHERE epoch <> ?1 AND sent = 1");
    Statement old(db_, "DELETE FROM outbox WHERE epoch = ?1 AND sent = 1 AND seq <= "
                       "(SELECT max(seq) FROM outbox WHERE epoch = ?1) - ?2");
    return other.Bind(1, epoch).Done() && old.Bind(1, epoch).Bind(2, static_cast<std::uint64_t>(keep)).Done();
}

} // namespace caniparc
