#include "core/service/CaptureError.h"

#include <gtest/gtest.h>

using vantry::CaptureError;

TEST(CaptureError, DescriptionsAreTheUserFacingTexts)
{
    struct Case {
        CaptureError error;
        QString text;
    };
    const std::vector<Case> cases = {
        {CaptureError::badURL("ht tp://x"), "bad URL: ht tp://x"},
        {CaptureError::http(404, "not found", "GET", "/me/workspaces"), "GET /me/workspaces -> HTTP 404: not found"},
        {CaptureError::http(400, "", "POST", "/token"), "POST /token -> HTTP 400: "},
        {CaptureError::recountCommitFailed("bin locked"), "recount commit failed: bin locked"},
        {CaptureError::recountCommitFailed(""), "recount commit failed: "},
        {CaptureError::noResponse(), "no HTTP response"},
        {CaptureError::recountCommitTimedOut(), "recount is still processing (timed out waiting for it to finish)"},
        {CaptureError::transport(3, "Connection refused"), "Connection refused"},
        {CaptureError::transport(5, "timed out").withSessionId("S-1"), "timed out (scan session S-1)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.error.description(), c.text);
        EXPECT_EQ(QString::fromStdString(c.error.what()), c.text);
    }
}

TEST(CaptureError, SessionIdIsKeptWithThePayload)
{
    const auto e = CaptureError::http(500, "boom", "POST", "/scan-sessions/S/import-to-portfolio").withSessionId("S");
    EXPECT_EQ(e.kind(), CaptureError::Kind::http);
    EXPECT_EQ(e.status(), 500);
    EXPECT_EQ(e.sessionId(), QString("S"));
    EXPECT_FALSE(CaptureError::noResponse().sessionId().has_value());
}
