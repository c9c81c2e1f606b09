#include "InventoryDatabase.h"

#include <QDateTime>

#include <sqlite3.h>

#include <map>

namespace vantry::standin {

namespace {

// A prepared statement that finalises itself.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return stmt_ != nullptr; }
    Statement& bind(int i, const QString& v)
    {
        const QByteArray utf8 = v.toUtf8();
        sqlite3_bind_text(stmt_, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bind(int i, qint64 v)
    {
        sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    int step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
    QString text(int i) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, i)) : QString();
    }
    qint64 integer(int i) const { return sqlite3_column_int64(stmt_, i); }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(db_)); }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

QString now() { return QDateTime::currentDateTimeUtc().toString(Qt::ISODate); }

} // namespace

InventoryDatabase::InventoryDatabase(const QString& path)
{
    if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        error_ = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
        return;
    }
    sqlite3_busy_timeout(db_, 5000);
    if (const auto e = exec("CREATE TABLE IF NOT EXISTS items ("
                            " id INTEGER PRIMARY KEY, workspace_id TEXT NOT NULL, bin TEXT NOT NULL,"
                            " item_id TEXT NOT NULL, scryfall_id TEXT NOT NULL, name TEXT NOT NULL,"
                            " set_code TEXT NOT NULL, collector_number TEXT NOT NULL, finish TEXT NOT NULL,"
                            " condition TEXT NOT NULL, count INTEGER NOT NULL, session_id TEXT NOT NULL,"
                            " stored_at TEXT NOT NULL, retired_at TEXT);"
                            "CREATE TABLE IF NOT EXISTS tokens ("
                            " access_token TEXT PRIMARY KEY, refresh_token TEXT UNIQUE NOT NULL,"
                            " email TEXT NOT NULL, issued_at TEXT NOT NULL);"))
        error_ = *e;
}

InventoryDatabase::~InventoryDatabase()
{
    sqlite3_close(db_);
}

std::optional<QString> InventoryDatabase::exec(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return std::nullopt;
    const QString e = QString::fromUtf8(message ? message : sqlite3_errmsg(db_));
    sqlite3_free(message);
    return e;
}

std::optional<QString> InventoryDatabase::insertLine(const QString& workspaceId, const QString& bin,
                                                     const QString& sessionId, const ScanItemPayload& item, int count,
                                                     const QString& condition)
{
    Statement s(db_, "INSERT INTO items (workspace_id, bin, item_id, scryfall_id, name, set_code, collector_number,"
                     " finish, condition, count, session_id, stored_at) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
    s.bind(1, workspaceId).bind(2, bin).bind(3, item.itemId).bind(4, item.scryfallId).bind(5, item.name);
    s.bind(6, item.setCode).bind(7, item.collectorNumber).bind(8, rawValue(item.finish)).bind(9, condition);
    s.bind(10, qint64(count)).bind(11, sessionId).bind(12, now());
    if (s.step() != SQLITE_DONE)
        return s.error();
    return std::nullopt;
}

std::optional<QString> InventoryDatabase::addItems(const QString& workspaceId, const QString& bin,
                                                   const QString& sessionId, const std::vector<ScanItemPayload>& items,
                                                   const QString& defaultCondition)
{
    if (const auto e = exec("BEGIN IMMEDIATE"))
        return e;
    for (const ScanItemPayload& item : items)
        if (const auto e = insertLine(workspaceId, bin, sessionId, item, item.count,
                                      item.condition.value_or(defaultCondition))) {
            exec("ROLLBACK");
            return e;
        }
    if (const auto e = exec("COMMIT")) {
        exec("ROLLBACK");
        return e;
    }
    return std::nullopt;
}

std::optional<QString> InventoryDatabase::replaceBins(const QString& workspaceId, const QString& sessionId,
                                                      const std::vector<QString>& bins,
                                                      const std::vector<ScanReplaceAssignment>& assignments,
                                                      const std::vector<ScanItemPayload>& items,
                                                      const QString& defaultCondition, bool dryRun, int& retired)
{
    retired = 0;
    for (const QString& bin : bins) {
        Statement s(db_, "SELECT COALESCE(SUM(count), 0) FROM items WHERE workspace_id = ? AND bin = ? AND retired_at IS NULL");
        s.bind(1, workspaceId).bind(2, bin);
        if (s.step() != SQLITE_ROW)
            return s.error();
        retired += int(s.integer(0));
    }
    if (dryRun)
        return std::nullopt;
    std::map<QString, const ScanItemPayload*> byId;
    for (const auto& item : items)
        byId[item.itemId] = &item;
    for (const auto& a : assignments)
        if (!byId.count(a.itemId))
            return QStringLiteral("assignment of an item the session does not hold: ") + a.itemId;
    if (const auto e = exec("BEGIN IMMEDIATE"))
        return e;
    auto fail = [this](QString e) {
        exec("ROLLBACK");
        return std::optional<QString>(std::move(e));
    };
    const QString at = now();
    for (const QString& bin : bins) {
        Statement s(db_, "UPDATE items SET retired_at = ? WHERE workspace_id = ? AND bin = ? AND retired_at IS NULL");
        s.bind(1, at).bind(2, workspaceId).bind(3, bin);
        if (s.step() != SQLITE_DONE)
            return fail(s.error());
    }
    for (const auto& a : assignments) {
        const ScanItemPayload& item = *byId.at(a.itemId);
        if (const auto e = insertLine(workspaceId, a.newBinId, sessionId, item, item.count,
                                      item.condition.value_or(defaultCondition)))
            return fail(*e);
    }
    if (const auto e = exec("COMMIT"))
        return fail(*e);
    return std::nullopt;
}

std::vector<InventoryLine> InventoryDatabase::lines(const QString& workspaceId) const
{
    std::vector<InventoryLine> out;
    Statement s(db_, "SELECT bin, item_id, scryfall_id, name, set_code, collector_number, finish, condition,"
                     " SUM(count), MIN(session_id) FROM items WHERE workspace_id = ? AND retired_at IS NULL"
                     " GROUP BY bin, item_id, condition ORDER BY bin, set_code, collector_number, item_id");
    s.bind(1, workspaceId);
    while (s.step() == SQLITE_ROW)
        out.push_back({workspaceId, s.text(0), s.text(1), s.text(2), s.text(3), s.text(4), s.text(5), s.text(6),
                       s.text(7), int(s.integer(8)), s.text(9)});
    return out;
}

std::vector<InventoryBinSummary> InventoryDatabase::bins(const QString& workspaceId) const
{
    std::vector<InventoryBinSummary> out;
    Statement s(db_, "SELECT bin, COUNT(DISTINCT item_id), SUM(count), MAX(stored_at) FROM items"
                     " WHERE workspace_id = ? AND retired_at IS NULL GROUP BY bin ORDER BY bin");
    s.bind(1, workspaceId);
    while (s.step() == SQLITE_ROW)
        out.push_back({s.text(0), int(s.integer(1)), int(s.integer(2)), s.text(3)});
    return out;
}

std::optional<QString> InventoryDatabase::saveTokens(const IssuedTokens& tokens)
{
    Statement s(db_, "INSERT INTO tokens (access_token, refresh_token, email, issued_at) VALUES (?,?,?,?)");
    s.bind(1, tokens.accessToken).bind(2, tokens.refreshToken).bind(3, tokens.email).bind(4, now());
    if (s.step() != SQLITE_DONE)
        return s.error();
    return std::nullopt;
}

std::optional<IssuedTokens> InventoryDatabase::tokensWhere(const char* column, const QString& value) const
{
    const QByteArray sql = QByteArray("SELECT access_token, refresh_token, email FROM tokens WHERE ") + column + " = ?";
    Statement s(db_, sql.constData());
    s.bind(1, value);
    if (s.step() != SQLITE_ROW)
        return std::nullopt;
    return IssuedTokens{s.text(0), s.text(1), s.text(2)};
}

std::optional<IssuedTokens> InventoryDatabase::tokensByAccess(const QString& accessToken) const
{
    return tokensWhere("access_token", accessToken);
}

std::optional<IssuedTokens> InventoryDatabase::tokensByRefresh(const QString& refreshToken) const
{
    return tokensWhere("refresh_token", refreshToken);
}

std::optional<QString> InventoryDatabase::renewAccess(const QString& refreshToken, const QString& accessToken)
{
    Statement s(db_, "UPDATE tokens SET access_token = ?, issued_at = ? WHERE refresh_token = ?");
    s.bind(1, accessToken).bind(2, now()).bind(3, refreshToken);
    if (s.step() != SQLITE_DONE)
        return s.error();
    return std::nullopt;
}

} // namespace vantry::standin
