#include "core/service/ImportBin.h"

namespace vantry::ImportBin {

QString synced(const QString& current, const QString& folderName, const QString& lastDerived, const QString& fallback)
{
    const QString folder = folderName.trimmed();
    const QString derived = folder.isEmpty() ? fallback.trimmed() : folder;
    const QString typed = current.trimmed();
    if (!typed.isEmpty() && typed != lastDerived.trimmed())
        return current;
    return derived;
}

std::optional<QString> location(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

} // namespace vantry::ImportBin
