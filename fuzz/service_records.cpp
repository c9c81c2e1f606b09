// The inventory service's replies and the records written to it: every decoder either reads
// the bytes or throws json::Error, and whatever it reads writes and reads back equal.

#include "FuzzInput.h"

#include "core/service/ServiceRecords.h"
#include "core/service/TokenResponse.h"

using namespace vantry;

namespace {

template <class T>
void recordRoundTrip(const QJsonValue& value, const char* what)
{
    fuzz::tolerateJsonError([&] { fuzz::checkRoundTrip(T::fromJson(value), what); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray body = fuzz::bytes(data, size);

    fuzz::tolerateJsonError([&] { (void)CreateSessionResponse::decode(body); });
    fuzz::tolerateJsonError([&] { fuzz::checkRoundTrip(ScanSessionEnvelope::decode(body).data, "ScanSessionPoll"); });
    fuzz::tolerateJsonError([&] { fuzz::checkRoundTrip(PresignFrameResponse::decode(body), "PresignFrameResponse"); });
    fuzz::tolerateJsonError([&] {
        for (const WorkspaceSummary& w : WorkspacesResponse::decode(body).workspaces)
            fuzz::checkRoundTrip(w, "WorkspaceSummary");
    });
    fuzz::tolerateJsonError([&] {
        if (const auto bins = InventoryBinsResponse::decode(body).bins)
            for (const InventoryBinSummary& bin : *bins)
                fuzz::checkRoundTrip(bin, "InventoryBinSummary");
    });
    fuzz::tolerateJsonError([&] { (void)ImportResponse::decode(body); });
    (void)ImportResponse::importedCount(body); // never throws
    fuzz::tolerateJsonError([&] { fuzz::checkRoundTrip(CleanupStaleResult::decode(body), "CleanupStaleResult"); });
    fuzz::tolerateJsonError([&] { (void)TokenResponse::decode(body); });

    // The same bytes as any one record, request or reply.
    QJsonValue value;
    try {
        const QJsonDocument document = json::parse(body);
        value = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    } catch (const json::Error&) {
        return 0;
    }
    recordRoundTrip<ImportDefaults>(value, "ImportDefaults");
    recordRoundTrip<CreateSessionBody>(value, "CreateSessionBody");
    recordRoundTrip<AddItemBody>(value, "AddItemBody");
    recordRoundTrip<UpdateStatusBody>(value, "UpdateStatusBody");
    recordRoundTrip<ImportBody>(value, "ImportBody");
    recordRoundTrip<PresignFrameBody>(value, "PresignFrameBody");
    recordRoundTrip<FinalizeFrameBody>(value, "FinalizeFrameBody");
    recordRoundTrip<AnalyticsEventBody>(value, "AnalyticsEventBody");
    recordRoundTrip<ScanReplaceRequest>(value, "ScanReplaceRequest");
    recordRoundTrip<ScanReplaceResult>(value, "ScanReplaceResult");
    recordRoundTrip<ScanReplaceCommitResult>(value, "ScanReplaceCommitResult");
    recordRoundTrip<ScanSessionPoll>(value, "ScanSessionPoll");
    recordRoundTrip<InventoryBinSummary>(value, "InventoryBinSummary");
    recordRoundTrip<WorkspaceSummary>(value, "WorkspaceSummary");
    return 0;
}
