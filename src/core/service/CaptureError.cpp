#include "core/service/CaptureError.h"

namespace vantry {

CaptureError::CaptureError(Kind kind)
    : kind_(kind)
{
}

CaptureError CaptureError::badURL(const QString& text)
{
    CaptureError e(Kind::badURL);
    e.text_ = text;
    e.refreshWhat();
    return e;
}

CaptureError CaptureError::http(int status, const QString& body, const QString& method, const QString& path)
{
    CaptureError e(Kind::http);
    e.status_ = status;
    e.body_ = body;
    e.method_ = method;
    e.path_ = path;
    e.refreshWhat();
    return e;
}

CaptureError CaptureError::recountCommitFailed(const QString& reason)
{
    CaptureError e(Kind::recountCommitFailed);
    e.text_ = reason;
    e.refreshWhat();
    return e;
}

CaptureError CaptureError::noResponse()
{
    CaptureError e(Kind::noResponse);
    e.refreshWhat();
    return e;
}

CaptureError CaptureError::recountCommitTimedOut()
{
    CaptureError e(Kind::recountCommitTimedOut);
    e.refreshWhat();
    return e;
}

CaptureError CaptureError::transport(int code, const QString& message)
{
    CaptureError e(Kind::transport);
    e.code_ = code;
    e.text_ = message;
    e.refreshWhat();
    return e;
}

CaptureError CaptureError::withSessionId(const QString& sessionId) const
{
    CaptureError e = *this;
    e.sessionId_ = sessionId;
    e.refreshWhat();
    return e;
}

CaptureError CaptureError::atUpload() const
{
    CaptureError e = *this;
    e.upload_ = true;
    return e;
}

QString CaptureError::description() const
{
    QString text;
    switch (kind_) {
    case Kind::badURL:
        text = QStringLiteral("bad URL: ") + text_;
        break;
    case Kind::http:
        text = method_ + QLatin1Char(' ') + path_ + QStringLiteral(" -> HTTP ") + QString::number(status_)
            + QStringLiteral(": ") + body_;
        break;
    case Kind::recountCommitFailed:
        text = QStringLiteral("recount commit failed: ") + text_;
        break;
    case Kind::noResponse:
        text = QStringLiteral("no HTTP response");
        break;
    case Kind::recountCommitTimedOut:
        text = QStringLiteral("recount is still processing (timed out waiting for it to finish)");
        break;
    case Kind::transport:
        text = text_;
        break;
    }
    if (sessionId_)
        text += QStringLiteral(" (scan session ") + *sessionId_ + QLatin1Char(')');
    return text;
}

bool CaptureError::operator==(const CaptureError& o) const
{
    return kind_ == o.kind_ && status_ == o.status_ && code_ == o.code_ && body_ == o.body_
        && method_ == o.method_ && path_ == o.path_ && text_ == o.text_ && sessionId_ == o.sessionId_
        && upload_ == o.upload_;
}

void CaptureError::refreshWhat()
{
    what_ = description().toStdString();
}

} // namespace vantry
