#pragma once

// The inventory service's request and reply records. Writing leaves absent optionals out
// (never null) and throws json::Error for a non-finite number, before anything is sent.
// Reading is strict: a required key that is missing, null or mistyped fails the whole body.

#include "core/service/InventoryBinSummary.h"
#include "core/card/ScanItemPayload.h"
#include "core/service/ScanReplace.h"
#include "core/service/StringDictionary.h"
#include "core/service/WorkspaceSummary.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

namespace vantry {

// The import's default condition and acquisition cost; copied into the create-session
// and import bodies under the same keys.
struct ImportDefaults {
    std::optional<QString> defaultCondition;
    std::optional<double> defaultAcquisitionCost;

    bool operator==(const ImportDefaults&) const = default;
    QJsonObject toJson() const;
    static ImportDefaults fromJson(const QJsonValue& value, const QString& where = {});
};

struct CreateSessionBody {
    QString source = QStringLiteral("desktop-scan");
    std::optional<QString> workspaceId;
    std::optional<QString> defaultCondition;
    std::optional<double> defaultAcquisitionCost;

    bool operator==(const CreateSessionBody&) const = default;
    QJsonObject toJson() const;
    static CreateSessionBody fromJson(const QJsonValue& value, const QString& where = {});
};

struct AddItemBody {
    QString action = QStringLiteral("addItem");
    ScanItemPayload item;

    bool operator==(const AddItemBody&) const = default;
    QJsonObject toJson() const;
    static AddItemBody fromJson(const QJsonValue& value, const QString& where = {});
};

struct UpdateStatusBody {
    QString action = QStringLiteral("updateStatus");
    QString status;

    bool operator==(const UpdateStatusBody&) const = default;
    QJsonObject toJson() const;
    static UpdateStatusBody fromJson(const QJsonValue& value, const QString& where = {});
};

struct ImportBody {
    std::optional<QString> location;
    std::optional<QString> defaultCondition;
    std::optional<double> defaultAcquisitionCost;

    bool operator==(const ImportBody&) const = default;
    QJsonObject toJson() const;
    static ImportBody fromJson(const QJsonValue& value, const QString& where = {});
};

struct PresignFrameBody {
    QString contentType;
    QString itemId;
    std::optional<StringDictionary> metadata; // an empty dictionary is written as {}

    bool operator==(const PresignFrameBody&) const = default;
    QJsonObject toJson() const;
    static PresignFrameBody fromJson(const QJsonValue& value, const QString& where = {});
};

struct FinalizeFrameBody {
    QString s3Key;

    bool operator==(const FinalizeFrameBody&) const = default;
    QJsonObject toJson() const;
    static FinalizeFrameBody fromJson(const QJsonValue& value, const QString& where = {});
};

struct AnalyticsEventBody {
    QString eventType;
    StringDictionary metadata; // always written, {} when empty

    bool operator==(const AnalyticsEventBody&) const = default;
    QJsonObject toJson() const;
    static AnalyticsEventBody fromJson(const QJsonValue& value, const QString& where = {});
};

// {"data": {"sessionId": "..."}}
struct CreateSessionResponse {
    QString sessionId;

    static CreateSessionResponse decode(const QByteArray& bytes);
};

// {"data": <ScanSessionPoll>}
struct ScanSessionEnvelope {
    ScanSessionPoll data;

    static ScanSessionEnvelope decode(const QByteArray& bytes);
};

struct PresignFrameResponse {
    QString uploadUrl;
    QString s3Key;
    QString frameId;
    int expiresIn = 0;
    std::optional<StringDictionary> uploadHeaders; // absent versus {} matters

    bool operator==(const PresignFrameResponse&) const = default;
    QJsonObject toJson() const;
    static PresignFrameResponse fromJson(const QJsonValue& value, const QString& where = {});
    static PresignFrameResponse decode(const QByteArray& bytes);
};

struct WorkspacesResponse {
    std::vector<WorkspaceSummary> workspaces;

    static WorkspacesResponse decode(const QByteArray& bytes);
};

struct InventoryBinsResponse {
    std::optional<std::vector<InventoryBinSummary>> bins; // missing or null: no bins

    // One unreadable element fails the whole list.
    static InventoryBinsResponse decode(const QByteArray& bytes);
};

struct ImportResponse {
    struct Data {
        std::optional<int> imported;
    };
    std::optional<int> imported;
    std::optional<Data> data;

    // How the import reply's count was read: the service stated it, the reply was read but
    // states none, or the reply could not be read at all.
    enum class CountKind { reported, missing, unreadable };
    struct Count {
        CountKind kind = CountKind::reported;
        int value = 0; // 0 unless reported

        bool operator==(const Count&) const = default;
    };

    static ImportResponse decode(const QByteArray& bytes);
    // Top-level `imported`, else `data.imported`; missing or unreadable otherwise.
    static Count readCount(const QByteArray& bytes);
    // The reported count, else 0.
    static int importedCount(const QByteArray& bytes);
};

// The reply of the stale-session clean-up.
struct CleanupStaleResult {
    std::vector<QString> deletedSessionIds;
    QString cutoffIso;
    int idleHours = 0;

    bool operator==(const CleanupStaleResult&) const = default;
    QJsonObject toJson() const;
    static CleanupStaleResult fromJson(const QJsonValue& value, const QString& where = {});
    static CleanupStaleResult decode(const QByteArray& bytes);
};

// The outcome of a committed import. Only a count the service reported confirms it: a
// reply without one, or one that could not be read, leaves the outcome unknown.
struct ImportResult {
    QString sessionId;
    int imported = 0; // the reported count; 0 when none was reported
    ImportResponse::CountKind count = ImportResponse::CountKind::reported;

    bool isConfirmed() const { return count == ImportResponse::CountKind::reported; }
    bool operator==(const ImportResult&) const = default;
};

namespace wire {
// A JSON object of string values.
QJsonObject toJson(const StringDictionary& dictionary);
StringDictionary dictionaryFromJson(const QJsonValue& value, const QString& where);
// Compact JSON bytes of a request body.
QByteArray encode(const QJsonObject& object);
} // namespace wire

} // namespace vantry
