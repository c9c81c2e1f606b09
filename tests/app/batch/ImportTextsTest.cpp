#include "app/batch/ImportTexts.h"

#include "core/service/CaptureError.h"
#include "core/support/Json.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

using Cause = ImportOutcome::Failed::Cause;

// An import that reached nothing says which service failed, that nothing was imported, that
// the batch is kept, and what to do.
TEST(ImportTexts, NotImportedNamesTheServiceAndWhatWasKept)
{
    struct Case {
        const char* what;
        CaptureError error;
        Cause cause;
        QString body;
        QString status;
    };
    const std::vector<Case> cases = {
        {"connection refused", CaptureError::transport(1, "Connection refused"), Cause::unreachable,
         "The Vantry inventory service could not be reached (Connection refused). Nothing was imported, and the "
         "batch is kept. Check the network connection and the API URL in Settings, then import again.",
         "Nothing imported \u2014 the inventory service could not be reached; the batch is kept (see banner)."},
        {"no answer", CaptureError::noResponse(), Cause::unreachable,
         "The Vantry inventory service could not be reached (Connection refused). Nothing was imported, and the "
         "batch is kept. Check the network connection and the API URL in Settings, then import again.",
         "Nothing imported \u2014 the inventory service could not be reached; the batch is kept (see banner)."},
        {"refused", CaptureError::http(403, "{}", "POST", "/scan-sessions"), Cause::refused,
         "The Vantry inventory service refused the import. Nothing was imported, and the batch is kept.\n\n"
         "Connection refused",
         "Nothing imported \u2014 the inventory service refused the import; the batch is kept (see banner)."},
        {"server error before the import call", CaptureError::http(500, "down", "POST", "/scan-sessions"),
         Cause::serverError,
         "The Vantry inventory service failed before the import was sent. Nothing was imported, and the batch is "
         "kept. Try again in a moment.\n\nConnection refused",
         "Nothing imported \u2014 the inventory service failed; the batch is kept (see banner)."},
        {"scan picture upload", CaptureError::http(403, "expired", "PUT", "https://store.example/k"), Cause::upload,
         "The scan pictures could not be uploaded for the Vantry inventory service. Nothing was imported, and the "
         "batch is kept. Import again; if it keeps failing, check the network connection.\n\nConnection refused",
         "Nothing imported \u2014 the scan pictures could not be uploaded; the batch is kept (see banner)."},
        {"scan picture upload cut by the time-out",
         CaptureError::transport(5, "The request to https://store.example/k did not finish within 60 s and was "
                                    "stopped.").atUpload(),
         Cause::upload,
         "The scan pictures could not be uploaded for the Vantry inventory service. Nothing was imported, and the "
         "batch is kept. Import again; if it keeps failing, check the network connection.\n\nConnection refused",
         "Nothing imported \u2014 the scan pictures could not be uploaded; the batch is kept (see banner)."},
        {"bad address", CaptureError::badURL("api"), Cause::other,
         "The import could not be sent to the Vantry inventory service (Connection refused). Nothing was imported, "
         "and the batch is kept. Check the API URL in Settings, then import again.",
         "Nothing imported \u2014 the import could not be sent; the batch is kept (see banner)."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ImportTexts::notImportedCause(c.error), c.cause) << c.what;
        // The detail stands in as given; the same one in every row shows where it goes.
        const ImportOutcome::Failed failed{"Connection refused", c.cause};
        EXPECT_EQ(ImportTexts::notImported(failed), c.body) << c.what;
        EXPECT_EQ(ImportTexts::notImportedStatus(failed), c.status) << c.what;
    }
    EXPECT_EQ(ImportTexts::notImportedCause(json::Error("data: missing")), Cause::other);

    // A recount preview is a dry run: the inventory is as it was and the plan stays.
    EXPECT_EQ(ImportTexts::previewNotRun({"Connection refused", Cause::unreachable}),
              "The Vantry inventory service could not be reached (Connection refused). The inventory was not "
              "changed, and the recount plan is kept. Check the network connection and the API URL in Settings, "
              "then preview again.");
    EXPECT_EQ(ImportTexts::previewNotRunStatus({"Connection refused", Cause::refused}),
              "Recount preview failed \u2014 the inventory service refused the recount preview; the plan is kept "
              "(see banner).");
}

} // namespace
} // namespace vantry
