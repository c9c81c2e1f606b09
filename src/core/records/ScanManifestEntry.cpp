#include "core/records/ScanManifestEntry.h"

#include "core/support/Json.h"

#include <cmath>

namespace vantry {

ScanManifestEntry::ScanManifestEntry(QString frontFilename_, QString frontPath_, std::optional<QString> backFilename_,
                                     std::optional<QString> backPath_, std::optional<QString> binId_,
                                     std::optional<QString> workspaceId_, std::optional<QString> workspaceName_,
                                     QString importSessionId_, QString itemId_, QString scryfallId_, QString name_,
                                     QString setCode_, QString collectorNumber_, ScanFinish finish_,
                                     std::optional<QString> artSeriesVariant_, std::optional<QString> condition_,
                                     std::optional<double> unitCost_, double confidence_,
                                     std::optional<QString> contentHash_, std::optional<QString> scanIdentityHash_,
                                     bool verifiedFinish_)
    : frontFilename(std::move(frontFilename_)),
      frontPath(std::move(frontPath_)),
      backFilename(std::move(backFilename_)),
      backPath(std::move(backPath_)),
      binId(std::move(binId_)),
      workspaceId(std::move(workspaceId_)),
      workspaceName(std::move(workspaceName_)),
      importSessionId(std::move(importSessionId_)),
      itemId(std::move(itemId_)),
      scryfallId(std::move(scryfallId_)),
      name(std::move(name_)),
      setCode(std::move(setCode_)),
      collectorNumber(std::move(collectorNumber_)),
      finish(finish_),
      artSeriesVariant(std::move(artSeriesVariant_)),
      condition(std::move(condition_)),
      unitCost(unitCost_),
      confidence(normalizedConfidence(confidence_)),
      contentHash(std::move(contentHash_)),
      scanIdentityHash(std::move(scanIdentityHash_)),
      verifiedFinish(verifiedFinish_)
{
}

double ScanManifestEntry::normalizedConfidence(double value)
{
    double clamped = value >= 0 ? value : 0; // NaN fails the comparison too
    if (clamped > 1)
        clamped = 1;
    return std::round(clamped * 10000) / 10000;
}

QJsonObject ScanManifestEntry::toJson() const
{
    json::Writer w;
    w.set("frontFilename", frontFilename)
        .set("frontPath", frontPath)
        .setOpt("backFilename", backFilename)
        .setOpt("backPath", backPath)
        .setOpt("binId", binId)
        .setOpt("workspaceId", workspaceId)
        .setOpt("workspaceName", workspaceName)
        .set("importSessionId", importSessionId)
        .set("itemId", itemId)
        .set("scryfallId", scryfallId)
        .set("name", name)
        .set("setCode", setCode)
        .set("collectorNumber", collectorNumber)
        .set("finish", rawValue(finish))
        .setOpt("artSeriesVariant", artSeriesVariant)
        .setOpt("condition", condition)
        .setOpt("unitCost", unitCost)
        .set("confidence", confidence)
        .setOpt("contentHash", contentHash)
        .setOpt("scanIdentityHash", scanIdentityHash)
        .set("verifiedFinish", verifiedFinish);
    return w.object();
}

ScanManifestEntry ScanManifestEntry::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    ScanManifestEntry e;
    e.frontFilename = r.string("frontFilename");
    e.frontPath = r.string("frontPath");
    e.backFilename = r.optString("backFilename");
    e.backPath = r.optString("backPath");
    e.binId = r.optString("binId");
    e.workspaceId = r.optString("workspaceId");
    e.workspaceName = r.optString("workspaceName");
    e.importSessionId = r.string("importSessionId");
    e.itemId = r.string("itemId");
    e.scryfallId = r.string("scryfallId");
    e.name = r.string("name");
    e.setCode = r.string("setCode");
    e.collectorNumber = r.string("collectorNumber");
    e.finish = r.record<ScanFinish>("finish", [](const QJsonValue& v, const QString& at) {
        return scanFinishFromJson(v, at);
    });
    e.artSeriesVariant = r.optString("artSeriesVariant");
    e.condition = r.optString("condition");
    e.unitCost = r.optNumber("unitCost");
    e.confidence = r.number("confidence");
    e.contentHash = r.optString("contentHash");
    e.scanIdentityHash = r.optString("scanIdentityHash");
    e.verifiedFinish = r.boolean("verifiedFinish");
    return e;
}

} // namespace vantry
