#include "app/settings/CaptureConfig.h"

#include "app/settings/CaptureBinPrefix.h"
#include "app/settings/CaptureCost.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vantry {

namespace {

// A stored finite decimal; none when absent, not a number or not finite.
std::optional<double> storedDecimal(const SettingsStore& s, const QString& key)
{
    const auto text = s.string(key);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const double value = text->trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

CaptureConfig CaptureConfig::read(const SettingsStore& s)
{
    namespace K = SettingsKeys;
    CaptureConfig c;
    c.apiURL = s.string(K::apiURL).value_or(defaultApiURL());
    c.workspaceId = s.string(K::workspaceId).value_or(QString());
    c.workspaceName = s.string(K::workspaceName).value_or(QString());
    c.duplex = s.boolean(K::duplex);
    c.scanFolder = s.string(K::scanFolder).value_or(QString());
    c.replaceScanFolder = s.contains(K::replaceScanFolder) ? s.boolean(K::replaceScanFolder) : true;
    // A stored 0 means unset, and so does text that is no finite number. A gap of 0 or below
    // (the gap slider's lowest position stores 0) is the default too: with no gap, two equally
    // scored printings would confirm by themselves.
    const std::optional<double> threshold = storedDecimal(s, K::autoThreshold);
    c.autoThreshold = !threshold || *threshold == 0
                          ? 0.92
                          : std::clamp(*threshold, autoThresholdMinimum, autoThresholdMaximum);
    const std::optional<double> gap = storedDecimal(s, K::gapMin);
    c.gapMin = !gap || *gap <= 0 ? 0.04 : std::min(*gap, gapMinMaximum);
    c.directScanEnabled = s.contains(K::directScanEnabled) ? s.boolean(K::directScanEnabled) : true;
    c.autoFoilDetect = false;
    const QString condition = s.string(K::defaultCondition).value_or(QString());
    c.defaultCondition = conditions().contains(condition) ? condition : QStringLiteral("NM");
    c.defaultAcquisitionCost = CaptureCost::parse(s.string(K::defaultAcquisitionCost).value_or(QString()));
    c.autoImport = s.boolean(K::autoImport);
    c.binPrefix = CaptureBinPrefix::normalize(s.string(K::binPrefix));
    // No resolution is zero or below: such a value is the default, for scans and the window alike.
    const qint64 dpi = s.integer(K::scanResolutionDpi);
    c.scanResolutionDpi = dpi <= 0 ? 600 : dpi;
    return c;
}

ScanResolution CaptureConfig::scanResolution() const
{
    const qint64 dpi = std::min<qint64>(scanResolutionDpi, std::numeric_limits<int>::max());
    return ScanResolution::fromDpi(int(std::max<qint64>(dpi, 1)));
}

CaptureConfig CaptureConfig::current() { return read(*SettingsStore::standard()); }

QString CaptureConfig::defaultApiURL()
{
    QString url = QStringLiteral(VANTRY_API_URL);
    while (url.endsWith(u'/'))
        url.chop(1);
    return url;
}

const QStringList& CaptureConfig::conditions()
{
    static const QStringList list{QStringLiteral("NM"), QStringLiteral("LP"), QStringLiteral("MP"),
                                  QStringLiteral("HP"), QStringLiteral("DMG")};
    return list;
}

} // namespace vantry
