#include "core/support/StdoutTrace.h"

#include <QMutex>

#include <cstdio>

namespace vantry {

namespace {

QMutex& traceMutex()
{
    static QMutex mutex;
    return mutex;
}

StdoutTrace::Capture* current = nullptr;

} // namespace

QString StdoutTrace::tag(TraceTopic topic)
{
    switch (topic) {
    case TraceTopic::import:
        return QStringLiteral("[import]");
    case TraceTopic::recount:
        return QStringLiteral("[recount]");
    case TraceTopic::workspace:
        return QStringLiteral("[workspace]");
    case TraceTopic::scanSession:
        return QStringLiteral("[scan-session]");
    case TraceTopic::scanManifest:
        return QStringLiteral("[scan-manifest]");
    case TraceTopic::training:
        return QStringLiteral("[training]");
    }
    return {};
}

void StdoutTrace::print(TraceTopic topic, const QString& message) { printLine(tag(topic) + u' ' + message); }

void StdoutTrace::printLine(const QString& line)
{
    QMutexLocker lock(&traceMutex());
    if (current) {
        current->append(line);
        return;
    }
    // One write per line, so that lines from several threads never interleave.
    const QByteArray bytes = line.toUtf8().append('\n');
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

StdoutTrace::Capture::Capture()
{
    QMutexLocker lock(&traceMutex());
    previous_ = current;
    current = this;
}

StdoutTrace::Capture::~Capture()
{
    QMutexLocker lock(&traceMutex());
    // Captures end in reverse order of their start; unlink this one wherever it stands.
    if (current == this) {
        current = previous_;
        return;
    }
    for (Capture* c = current; c; c = c->previous_) {
        if (c->previous_ == this) {
            c->previous_ = previous_;
            return;
        }
    }
}

QStringList StdoutTrace::Capture::lines() const
{
    QMutexLocker lock(&traceMutex());
    return lines_;
}

QStringList StdoutTrace::Capture::lines(TraceTopic topic) const
{
    const QString prefix = tag(topic) + u' ';
    QStringList out;
    for (const QString& line : lines())
        if (line.startsWith(prefix))
            out << line;
    return out;
}

void StdoutTrace::Capture::append(const QString& line) { lines_ << line; }

} // namespace vantry
