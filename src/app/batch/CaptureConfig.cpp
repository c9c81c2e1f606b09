#include "app/batch/CaptureConfig.h"

#include "app/batch/CaptureBinPrefix.h"
#include "app/batch/CaptureCost.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"

namespace vantry {

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
    // Zero means unset: neither threshold can be set to 0.
    const double threshold = s.floating(K::autoThreshold);
    c.autoThreshold = threshold == 0 ? 0.92 : threshold;
    const double gap = s.floating(K::gapMin);
    c.gapMin = gap == 0 ? 0.04 : gap;
    c.directScanEnabled = s.contains(K::directScanEnabled) ? s.boolean(K::directScanEnabled) : true;
    c.autoFoilDetect = false;
    const QString condition = s.string(K::defaultCondition).value_or(QString());
    c.defaultCondition = conditions().contains(condition) ? condition : QStringLiteral("NM");
    c.defaultAcquisitionCost = CaptureCost::parse(s.string(K::defaultAcquisitionCost).value_or(QString()));
    c.autoImport = s.boolean(K::autoImport);
    c.binPrefix = CaptureBinPrefix::normalize(s.string(K::binPrefix));
    const qint64 dpi = s.integer(K::scanResolutionDpi);
    c.scanResolutionDpi = dpi == 0 ? 600 : dpi;
    return c;
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
