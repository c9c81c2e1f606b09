#pragma once

#include "core/card/ScanItemPayload.h"
#include "core/service/InventoryBinSummary.h"
#include "core/service/ScanReplace.h"

#include <QString>

#include <optional>
#include <vector>

struct sqlite3;

namespace vantry::standin {

// One stored inventory line: copies of one printing and finish in one bin.
struct InventoryLine {
    QString workspaceId;
    QString bin;
    QString itemId;
    QString scryfallId;
    QString name;
    QString setCode;
    QString collectorNumber;
    QString finish;
    QString condition;
    int count = 0;
    QString sessionId;
};

// A signed-in user's tokens as the sign-in service issued them.
struct IssuedTokens {
    QString accessToken;
    QString refreshToken;
    QString email;
};

// The stand-in's SQLite file: the inventory it received and the tokens it issued, so both
// survive a restart. Every write is one transaction; a failed write reports its reason.
class InventoryDatabase {
public:
    // Opens or creates `path`; check `error()` before use.
    explicit InventoryDatabase(const QString& path);
    ~InventoryDatabase();
    InventoryDatabase(const InventoryDatabase&) = delete;
    InventoryDatabase& operator=(const InventoryDatabase&) = delete;

    // Why the file could not be opened or prepared; empty when it is usable.
    const QString& error() const { return error_; }

    // Stores the items in `bin` (copies add up per item id); an error text when nothing was stored.
    std::optional<QString> addItems(const QString& workspaceId, const QString& bin, const QString& sessionId,
                                    const std::vector<ScanItemPayload>& items, const QString& defaultCondition);
    // Retires everything in `bins` and stores each assigned item in its new bin, in one
    // transaction; the copies retired are counted in `retired`. A dry run changes nothing.
    std::optional<QString> replaceBins(const QString& workspaceId, const QString& sessionId,
                                       const std::vector<QString>& bins,
                                       const std::vector<ScanReplaceAssignment>& assignments,
                                       const std::vector<ScanItemPayload>& items, const QString& defaultCondition,
                                       bool dryRun, int& retired);

    std::vector<InventoryLine> lines(const QString& workspaceId) const;
    std::vector<InventoryBinSummary> bins(const QString& workspaceId) const;

    std::optional<QString> saveTokens(const IssuedTokens& tokens);
    std::optional<IssuedTokens> tokensByAccess(const QString& accessToken) const;
    std::optional<IssuedTokens> tokensByRefresh(const QString& refreshToken) const;
    // Replaces the access token of a refresh token's pair.
    std::optional<QString> renewAccess(const QString& refreshToken, const QString& accessToken);

private:
    std::optional<QString> exec(const char* sql);
    std::optional<QString> insertLine(const QString& workspaceId, const QString& bin, const QString& sessionId,
                                      const ScanItemPayload& item, int count, const QString& condition);
    std::optional<IssuedTokens> tokensWhere(const char* column, const QString& value) const;

    sqlite3* db_ = nullptr;
    QString error_;
};

} // namespace vantry::standin
