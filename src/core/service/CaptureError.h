#pragma once

#include <QString>

#include <exception>
#include <optional>
#include <string>

namespace vantry {

// The error of every inventory-service call (transport, service calls, token endpoint).
// `description()` is the text the user sees.
class CaptureError : public std::exception {
public:
    enum class Kind {
        badURL,                // payload: the text that did not parse as a usable URL
        http,                  // status, body, method, path
        recountCommitFailed,   // payload: the service's reason
        noResponse,
        recountCommitTimedOut,
        transport,             // the network layer failed (offline, refused, timed out, ...)
    };

    static CaptureError badURL(const QString& text);
    static CaptureError http(int status, const QString& body, const QString& method, const QString& path);
    static CaptureError recountCommitFailed(const QString& reason);
    static CaptureError noResponse();
    static CaptureError recountCommitTimedOut();
    // `code` is the network layer's error code (QNetworkReply::NetworkError), `message` its text.
    static CaptureError transport(int code, const QString& message);

    Kind kind() const { return kind_; }
    bool is(Kind k) const { return kind_ == k; }

    // http
    int status() const { return status_; }
    const QString& body() const { return body_; }
    const QString& method() const { return method_; }
    const QString& path() const { return path_; }
    // badURL: the text; recountCommitFailed: the reason; transport: the message.
    const QString& text() const { return text_; }
    // transport: the network layer's error code.
    int code() const { return code_; }

    // The scan session the failed operation had already created, when the outcome on the
    // service may be partial or unknown (a failure at or after the import or replacement).
    const std::optional<QString>& sessionId() const { return sessionId_; }
    CaptureError withSessionId(const QString& sessionId) const;
    // The failure of a scan picture's upload to the storage address the service handed out.
    bool isUpload() const { return upload_; }
    CaptureError atUpload() const;

    // The case's own text; with a session id, " (scan session <id>)" follows.
    QString description() const;
    const char* what() const noexcept override { return what_.c_str(); }

    bool operator==(const CaptureError& o) const;

private:
    explicit CaptureError(Kind kind);
    void refreshWhat();

    Kind kind_;
    int status_ = 0;
    int code_ = 0;
    QString body_;
    QString method_;
    QString path_;
    QString text_;
    std::optional<QString> sessionId_;
    bool upload_ = false;
    std::string what_;
};

} // namespace vantry
