#include "core/card/ScanFinish.h"

#include "core/support/Json.h"

namespace vantry {

QString rawValue(ScanFinish finish)
{
    switch (finish) {
    case ScanFinish::foil: return QStringLiteral("foil");
    case ScanFinish::nonfoil: return QStringLiteral("nonfoil");
    case ScanFinish::etched: return QStringLiteral("etched");
    case ScanFinish::surge: return QStringLiteral("surge");
    }
    return {};
}

QString rawValue(ArtSeriesVariant variant)
{
    return variant == ArtSeriesVariant::signature ? QStringLiteral("signature") : QStringLiteral("plain");
}

std::optional<ScanFinish> scanFinishFromRaw(const QString& raw)
{
    for (ScanFinish f : allScanFinishes)
        if (rawValue(f) == raw)
            return f;
    return std::nullopt;
}

std::optional<ArtSeriesVariant> artSeriesVariantFromRaw(const QString& raw)
{
    for (ArtSeriesVariant v : allArtSeriesVariants)
        if (rawValue(v) == raw)
            return v;
    return std::nullopt;
}

QJsonValue toJson(ScanFinish finish) { return rawValue(finish); }
QJsonValue toJson(ArtSeriesVariant variant) { return rawValue(variant); }

ScanFinish scanFinishFromJson(const QJsonValue& value, const QString& where)
{
    const QString raw = json::toString(value, where);
    if (auto f = scanFinishFromRaw(raw))
        return *f;
    throw json::Error(QStringLiteral("%1: unknown finish \"%2\"").arg(where, raw).toStdString());
}

ArtSeriesVariant artSeriesVariantFromJson(const QJsonValue& value, const QString& where)
{
    const QString raw = json::toString(value, where);
    if (auto v = artSeriesVariantFromRaw(raw))
        return *v;
    throw json::Error(QStringLiteral("%1: unknown art-series variant \"%2\"").arg(where, raw).toStdString());
}

} // namespace vantry
