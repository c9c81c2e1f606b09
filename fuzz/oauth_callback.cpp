// The sign-in callback URL (as handed over by the single-instance channel, and as typed on a
// command line) and the e-mail address read from an access token.

#include "FuzzInput.h"

#include "core/service/OAuth.h"

using namespace vantry;

namespace {

void readCallback(const QUrl& url)
{
    const auto items = OAuth::queryItems(url);
    const auto code = OAuth::code(url);
    const auto state = OAuth::state(url);
    fuzz::check(items.has_value() || (!code && !state), "code or state without a query");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text = fuzz::bytes(data, size);
    readCallback(QUrl::fromEncoded(text, QUrl::StrictMode));
    readCallback(QUrl(QString::fromUtf8(text)));
    (void)OAuth::email(QString::fromUtf8(text));
    return 0;
}
