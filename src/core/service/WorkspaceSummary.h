#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace vantry {

// A workspace the signed-in user may import into.
struct WorkspaceSummary {
    QString wsId;
    std::optional<QString> name;
    std::optional<QString> role;

    bool operator==(const WorkspaceSummary&) const = default;
    QJsonObject toJson() const;
    static WorkspaceSummary fromJson(const QJsonValue& value, const QString& where = {});
};

} // namespace vantry
