#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

namespace vantry {

// Where one scanned item's copies go in a recount.
struct ScanReplaceAssignment {
    QString itemId;
    QString newBinId;

    bool operator==(const ScanReplaceAssignment&) const = default;
    QJsonObject toJson() const;
    static ScanReplaceAssignment fromJson(const QJsonValue& value, const QString& where = {});
};

// The import-replace request: bins whose contents are replaced and the item assignments.
struct ScanReplaceRequest {
    std::vector<QString> replaceBins;
    std::vector<ScanReplaceAssignment> assignments;
    bool dryRun = false;

    bool operator==(const ScanReplaceRequest&) const = default;
    QJsonObject toJson() const;
    static ScanReplaceRequest fromJson(const QJsonValue& value, const QString& where = {});
};

// The service's answer to import-replace.
struct ScanReplaceResult {
    int claimed = 0;
    int movedFromOtherBins = 0;
    int created = 0;
    int retired = 0;
    double retiredValueUsd = 0;
    std::vector<QString> binsWritten;
    std::optional<bool> dryRun;
    std::optional<QString> sessionStatus;

    bool operator==(const ScanReplaceResult&) const = default;
    QJsonObject toJson() const;
    static ScanReplaceResult fromJson(const QJsonValue& value, const QString& where = {});
};

// The outcome of a finished recount commit.
struct ScanReplaceCommitResult {
    int claimed = 0;
    int movedFromOtherBins = 0;
    int created = 0;
    int retired = 0;
    double retiredValueUsd = 0;
    std::vector<QString> binsWritten;

    bool operator==(const ScanReplaceCommitResult&) const = default;
    QJsonObject toJson() const;
    static ScanReplaceCommitResult fromJson(const QJsonValue& value, const QString& where = {});
};

// The state of a scan session while a recount commit runs.
struct ScanSessionPoll {
    QString status;
    std::optional<ScanReplaceCommitResult> commitResult;
    std::optional<QString> commitError;

    bool operator==(const ScanSessionPoll&) const = default;
    QJsonObject toJson() const;
    static ScanSessionPoll fromJson(const QJsonValue& value, const QString& where = {});
};

} // namespace vantry
