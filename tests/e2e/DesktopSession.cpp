#include "DesktopSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace vantry::test {

namespace {

// One X server for the whole test binary, started on first use.
class VirtualDisplay {
public:
    static VirtualDisplay& shared()
    {
        static VirtualDisplay display;
        return display;
    }
    const QString& display() const { return display_; }
    const QString& problem() const { return problem_; }

    ~VirtualDisplay()
    {
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate();
            if (!server_.waitForFinished(5000))
                server_.kill();
            server_.waitForFinished(5000);
        }
    }

private:
    VirtualDisplay()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            problem_ = QStringLiteral("Xvfb is not installed (scripts/install-deps installs xvfb)");
            return;
        }
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty()) {
            problem_ = QStringLiteral("xdotool or curl is not installed (scripts/install-deps installs them)");
            return;
        }
        // -displayfd: the server picks a free display and writes its number on stdout.
        server_.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                             QStringLiteral("0"), QStringLiteral("1600x1200x24"), QStringLiteral("-nolisten"),
                             QStringLiteral("tcp")});
        QByteArray out;
        const QDeadlineTimer deadline(30'000);
        while (!out.contains('\n') && !deadline.hasExpired() && server_.state() != QProcess::NotRunning) {
            server_.waitForReadyRead(200);
            out += server_.readAllStandardOutput();
        }
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        if (!ok) {
            problem_ = QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(server_.readAllStandardError()).trimmed();
            server_.kill();
            return;
        }
        display_ = QStringLiteral(":%1").arg(number);
    }

    QProcess server_;
    QString display_;
    QString problem_;
};

const char* const browserScript = R"script(#!/usr/bin/env bash
# The test's browser: approves the stand-in's sign-in page as the user would and hands the
# callback to the application, as the desktop does with a vantrycapture:// link.
exec >>"$E2E_BROWSER_LOG" 2>&1
url=$1
echo "browser: open $url"
page=$(curl -sf "$url") || { echo "browser: cannot open the page"; exit 1; }
state=$(printf '%s' "$page" | sed -n 's/.*name="state" value="\([^"]*\)".*/\1/p')
challenge=$(printf '%s' "$page" | sed -n 's/.*name="code_challenge" value="\([^"]*\)".*/\1/p')
base=${url%%/auth/authorize*}
callback=$(curl -s -o /dev/null -w '%{redirect_url}' "$base/auth/approve?state=$state&code_challenge=$challenge&email=e2e%40vantry.test")
echo "browser: callback ${callback%%\?*}"
exec "$E2E_APP" "$callback"
)script";

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

QString DesktopSession::unavailableReason()
{
    return VirtualDisplay::shared().problem();
}

DesktopSession::DesktopSession()
{
    const QString r = root_.path();
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert(QStringLiteral("HOME"), r + QStringLiteral("/home"));
    env_.insert(QStringLiteral("XDG_CONFIG_HOME"), r + QStringLiteral("/config"));
    env_.insert(QStringLiteral("XDG_DATA_HOME"), r + QStringLiteral("/data"));
    env_.insert(QStringLiteral("XDG_STATE_HOME"), r + QStringLiteral("/state"));
    env_.insert(QStringLiteral("XDG_CACHE_HOME"), r + QStringLiteral("/cache"));
    env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), r + QStringLiteral("/run"));
    env_.insert(QStringLiteral("DISPLAY"), VirtualDisplay::shared().display());
    env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env_.insert(QStringLiteral("QT_ACCESSIBILITY"), QStringLiteral("0"));
    env_.insert(QStringLiteral("PATH"), r + QStringLiteral("/bin:") + env_.value(QStringLiteral("PATH")));
    env_.insert(QStringLiteral("E2E_APP"), QStringLiteral(VANTRY_E2E_APP));
    env_.insert(QStringLiteral("E2E_BROWSER_LOG"), r + QStringLiteral("/browser.log"));
    env_.insert(QStringLiteral("VANTRY_WIDGET_PROBE"), r + QStringLiteral("/run/probe.socket"));
    env_.remove(QStringLiteral("BROWSER"));
    env_.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    env_.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    for (const char* folder : {"home", "config/VantryCapture", "data", "state", "cache", "bin"})
        QDir(r).mkpath(QString::fromLatin1(folder));
    QDir(r).mkpath(QStringLiteral("run"));
    QFile::setPermissions(r + QStringLiteral("/run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString browser = r + QStringLiteral("/bin/xdg-open");
    writeFile(browser, browserScript);
    QFile::setPermissions(browser, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

DesktopSession::~DesktopSession()
{
    for (auto* p : {app_.get(), standIn_.get()})
        if (p && p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
}

bool DesktopSession::runTool(const QString& program, const QStringList& arguments, QByteArray* output)
{
    QProcess p;
    p.setProcessEnvironment(env_);
    p.start(program, arguments);
    if (!p.waitForFinished(300'000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error_ = QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(p.readAllStandardError()));
        return false;
    }
    if (output)
        *output = p.readAllStandardOutput();
    return true;
}

bool DesktopSession::startStandIn(quint16 port)
{
    standIn_ = std::make_unique<QProcess>();
    standIn_->setProcessEnvironment(env_);
    standIn_->setProcessChannelMode(QProcess::MergedChannels);
    standIn_->start(QStringLiteral(VANTRY_E2E_STAND_IN),
                    {QStringLiteral("--port"), QString::number(port), QStringLiteral("--data"), standInFolder(),
                     QStringLiteral("--catalogue"), catalogue_});
    QString output;
    const QDeadlineTimer deadline(60'000);
    while (!output.contains(QLatin1Char('\n')) && !deadline.hasExpired() && standIn_->state() != QProcess::NotRunning) {
        standIn_->waitForReadyRead(200);
        output += QString::fromUtf8(standIn_->readAll());
    }
    standInOutput_ += output;
    const QString prefix = QStringLiteral("stand-in-service: serving http://127.0.0.1:");
    if (!output.startsWith(prefix)) {
        error_ = QStringLiteral("the stand-in did not start: ") + output;
        return false;
    }
    port_ = quint16(output.mid(prefix.size()).section(QLatin1Char(' '), 0, 0).toUInt());
    return true;
}

void DesktopSession::killStandIn()
{
    if (!standIn_)
        return;
    standIn_->kill();
    standIn_->waitForFinished(5000);
    standInOutput_ += QString::fromUtf8(standIn_->readAll());
}

bool DesktopSession::restartStandIn()
{
    killStandIn();
    return startStandIn(port_);
}

bool DesktopSession::prepare(const QString& catalogue)
{
    if (!runTool(QStringLiteral(VANTRY_E2E_DEMO_SCANS), {catalogue, scanFolder()}))
        return false;
    catalogue_ = catalogue;
    if (!startStandIn(0))
        return false;
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port_);
    const QByteArray settings = "[General]\nvy.apiURL=" + base.toUtf8() + "/api\nvy.authIssuer=" + base.toUtf8() +
                                "/auth\nvy.scanFolder=" + scanFolder().toUtf8() + "\n";
    if (!writeFile(root_.filePath(QStringLiteral("config/VantryCapture/VantryCapture.conf")), settings)) {
        error_ = QStringLiteral("cannot write the settings");
        return false;
    }
    return true;
}

bool DesktopSession::signInWithoutBrowser()
{
    return runTool(QStringLiteral(VANTRY_E2E_STAND_IN), {QStringLiteral("--data"), standInFolder(), QStringLiteral("--sign-in"),
                                                         dataFolder() + QStringLiteral("/auth.json")});
}

bool DesktopSession::startApplication()
{
    app_ = std::make_unique<QProcess>();
    app_->setProcessEnvironment(env_);
    app_->setStandardOutputFile(root_.filePath(QStringLiteral("app.log")), QIODevice::Append);
    app_->setStandardErrorFile(root_.filePath(QStringLiteral("app.log")), QIODevice::Append);
    app_->start(QStringLiteral(VANTRY_E2E_APP), {});
    if (!app_->waitForStarted(30'000)) {
        error_ = QStringLiteral("the application did not start: ") + app_->errorString();
        return false;
    }
    return true;
}

std::unique_ptr<QProcess> DesktopSession::startAnotherApplication(const QHash<QString, QString>& changed)
{
    QProcessEnvironment env = env_;
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        if (it.value().isEmpty())
            env.remove(it.key());
        else
            env.insert(it.key(), it.value());
    }
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start(QStringLiteral(VANTRY_E2E_APP), {});
    if (!process->waitForStarted(30'000))
        error_ = QStringLiteral("the application did not start: ") + process->errorString();
    return process;
}

namespace {

bool endedCleanly(QProcess& app, QString* error)
{
    if (!app.waitForFinished(30'000)) {
        app.kill();
        app.waitForFinished(5000);
        *error = QStringLiteral("the application did not end within 30 s");
        return false;
    }
    if (app.exitStatus() != QProcess::NormalExit || app.exitCode() != 0) {
        *error = QStringLiteral("the application ended with status %1 (%2)")
                     .arg(app.exitCode())
                     .arg(app.exitStatus() == QProcess::NormalExit ? QStringLiteral("exit") : QStringLiteral("crash"));
        return false;
    }
    return true;
}

} // namespace

bool DesktopSession::pressQuit()
{
    // No window manager runs on the test's X server: the window gets the focus directly.
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                    QStringLiteral("^Vantry Capture$"), QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                    QStringLiteral("key"), QStringLiteral("ctrl+q")});
}

bool DesktopSession::quitApplication()
{
    if (!app_ || app_->state() == QProcess::NotRunning)
        return true;
    pressQuit();
    return endedCleanly(*app_, &error_);
}

bool DesktopSession::terminateApplication()
{
    if (!app_ || app_->state() == QProcess::NotRunning)
        return true;
    app_->terminate();
    return endedCleanly(*app_, &error_);
}

QString DesktopSession::diagnostics() const
{
    if (standIn_)
        const_cast<QString&>(standInOutput_) += QString::fromUtf8(standIn_->readAll());
    QString shown;
    for (const ProbedWidget& w : const_cast<DesktopSession*>(this)->widgets())
        shown += QStringLiteral("%1 [%2 %3]%4 \"%5\"\n").arg(w.name, w.className, w.object, w.enabled ? QString() : QStringLiteral(" disabled"), w.text.left(80));
    return QStringLiteral("--- widgets\n") + shown + QStringLiteral("--- application\n") + readFile(root_.filePath(QStringLiteral("app.log"))) +
           QStringLiteral("--- browser\n") + readFile(root_.filePath(QStringLiteral("browser.log"))) +
           QStringLiteral("--- stand-in\n") + standInOutput_;
}

std::vector<ProbedWidget> DesktopSession::widgets()
{
    QLocalSocket socket;
    socket.connectToServer(env_.value(QStringLiteral("VANTRY_WIDGET_PROBE")));
    if (!socket.waitForConnected(2000))
        return {};
    socket.write("widgets\n");
    QByteArray line;
    const QDeadlineTimer deadline(10'000);
    while (!line.endsWith('\n') && !deadline.hasExpired() && socket.state() == QLocalSocket::ConnectedState) {
        socket.waitForReadyRead(200);
        line += socket.readAll();
    }
    std::vector<ProbedWidget> out;
    for (const QJsonValue& v : QJsonDocument::fromJson(line).array()) {
        const QJsonObject o = v.toObject();
        ProbedWidget w{o.value("name").toString(),   o.value("object").toString(), o.value("class").toString(),
                       o.value("text").toString(),   o.value("window").toString(), o.value("enabled").toBool(),
                       std::nullopt,
                       QRect(o.value("x").toInt(), o.value("y").toInt(), o.value("w").toInt(), o.value("h").toInt())};
        if (o.contains("checked"))
            w.checked = o.value("checked").toBool();
        out.push_back(w);
    }
    return out;
}

std::optional<ProbedWidget> DesktopSession::waitFor(const std::function<bool(const ProbedWidget&)>& match, int seconds)
{
    const QDeadlineTimer deadline(seconds * 1000);
    do {
        for (const ProbedWidget& w : widgets())
            if (match(w))
                return w;
        if (app_ && app_->state() == QProcess::NotRunning)
            return std::nullopt;
        QThread::msleep(150);
    } while (!deadline.hasExpired());
    return std::nullopt;
}

std::optional<ProbedWidget> DesktopSession::waitForName(const QString& accessibleName, int seconds)
{
    return waitFor([&](const ProbedWidget& w) { return w.name == accessibleName && w.enabled; }, seconds);
}

std::vector<ProbedWidget> DesktopSession::named(const QString& prefix)
{
    std::vector<ProbedWidget> out;
    for (ProbedWidget& w : widgets())
        if (w.name.startsWith(prefix))
            out.push_back(std::move(w));
    return out;
}

bool DesktopSession::xdotool(const QStringList& arguments)
{
    return runTool(QStringLiteral("xdotool"), arguments);
}

bool DesktopSession::click(const ProbedWidget& widget)
{
    const QPoint c = widget.rect.center();
    return xdotool({QStringLiteral("mousemove"), QString::number(c.x()), QString::number(c.y()),
                    QStringLiteral("click"), QStringLiteral("1")});
}

std::optional<ProbedWidget> DesktopSession::scrollTo(const ProbedWidget& area,
                                                    const std::function<bool(const ProbedWidget&)>& match, int turns)
{
    const QPoint c = area.rect.center();
    for (int i = 0; i <= turns; ++i) {
        if (auto found = waitFor(match, 1))
            return found;
        if (!xdotool({QStringLiteral("mousemove"), QString::number(c.x()), QString::number(c.y()), QStringLiteral("click"),
                      QStringLiteral("5")}))
            return std::nullopt;
    }
    return std::nullopt;
}

bool DesktopSession::resizeWindow(const QString& title, int width, int height)
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                    QLatin1Char('^') + title + QLatin1Char('$'), QStringLiteral("windowsize"), QStringLiteral("%@"),
                    QString::number(width), QString::number(height)});
}

bool DesktopSession::typeText(const QString& text)
{
    return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
}

bool DesktopSession::pressKey(const QString& key)
{
    return xdotool({QStringLiteral("key"), key});
}

bool DesktopSession::pressKeyInWindow(const QString& title, const QString& key, int seconds)
{
    QString pattern = QStringLiteral("^");
    for (const QChar c : title)
        pattern += (QStringLiteral(".^$*+?()[]{}|\\").contains(c) ? QStringLiteral("\\") : QString()) + c;
    pattern += QLatin1Char('$');
    const QStringList search = {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern};
    // xdotool fails while no window matches.
    const QDeadlineTimer deadline(seconds * 1000);
    while (!xdotool(search)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(200);
    }
    // A key that closes the window can make xdotool report a failure: the window is gone before it is done,
    // and the key's release may not have been sent. A key left down repeats into whichever window has the
    // focus next, so it is released in any case.
    xdotool(search + QStringList{QStringLiteral("windowfocus"), QStringLiteral("--sync"), QStringLiteral("key"), key});
    xdotool({QStringLiteral("keyup"), key});
    return true;
}

QStringList DesktopSession::inventory()
{
    QByteArray out;
    if (!runTool(QStringLiteral(VANTRY_E2E_STAND_IN), {QStringLiteral("--data"), standInFolder(), QStringLiteral("--list")}, &out))
        return {};
    return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace vantry::test
