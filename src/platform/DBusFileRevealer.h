#pragma once

#include "platform/FileRevealer.h"

#include <QDBusConnection>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

namespace vantry {

// Asks the file manager over the session bus (org.freedesktop.FileManager1, `ShowItems`)
// to show the file selected. Without a bus, without a file manager on it, or when the call
// fails, the file's folder is opened instead. Never blocks: the call's answer arrives
// through the event loop.
class DBusFileRevealer final : public FileRevealer {
public:
    using OpenUrl = std::function<bool(const QUrl&)>;
    static constexpr std::chrono::milliseconds callTimeout{5000};

    // `bus` none: the session bus, reached only when a file is shown. `openUrl` none: the
    // desktop's handler (QDesktopServices).
    explicit DBusFileRevealer(std::optional<QDBusConnection> bus = std::nullopt, OpenUrl openUrl = {});
    void reveal(const QString& path) override;

private:
    std::optional<QDBusConnection> bus_;
    OpenUrl openUrl_;
};

} // namespace vantry
