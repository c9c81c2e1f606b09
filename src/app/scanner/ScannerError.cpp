#include "app/scanner/ScannerError.h"

#include <array>

namespace vantry {

namespace {
constexpr std::array<std::pair<ScannerPhase, const char*>, 6> phaseNames{{
    {ScannerPhase::idle, "idle"},
    {ScannerPhase::openingSession, "openingSession"},
    {ScannerPhase::selectingUnit, "selectingUnit"},
    {ScannerPhase::configuringUnit, "configuringUnit"},
    {ScannerPhase::scanning, "scanning"},
    {ScannerPhase::closing, "closing"},
}};
} // namespace

QString rawValue(ScannerPhase phase)
{
    for (const auto& [value, name] : phaseNames)
        if (value == phase)
            return QString::fromLatin1(name);
    return {};
}

std::optional<ScannerPhase> scannerPhaseFromRaw(const QString& raw)
{
    for (const auto& [value, name] : phaseNames)
        if (raw == QLatin1String(name))
            return value;
    return std::nullopt;
}

ScannerError::ScannerError(Kind kind, QString message, ScannerPhase phase, quint64 seconds)
    : kind_(kind), message_(std::move(message)), phase_(phase), seconds_(seconds)
{
    utf8_ = errorDescription().toUtf8();
}

ScannerError ScannerError::sessionFailed(QString message) { return {Kind::sessionFailed, std::move(message), ScannerPhase::idle, 0}; }
ScannerError ScannerError::scanFailed(QString message) { return {Kind::scanFailed, std::move(message), ScannerPhase::idle, 0}; }
ScannerError ScannerError::stuck(ScannerPhase phase, quint64 seconds) { return {Kind::stuck, {}, phase, seconds}; }
ScannerError ScannerError::noFunctionalUnit() { return {Kind::noFunctionalUnit, {}, ScannerPhase::idle, 0}; }
ScannerError ScannerError::canceled() { return {Kind::canceled, {}, ScannerPhase::idle, 0}; }

QString ScannerError::errorDescription() const
{
    switch (kind_) {
    case Kind::sessionFailed: return QStringLiteral("Couldn't open scanner: ") + message_;
    case Kind::scanFailed: return QStringLiteral("Scan failed: ") + message_;
    case Kind::stuck:
        return QStringLiteral("Scan got stuck in phase \"%1\" for %2s with no progress. The driver may be holding "
                              "the device — unplug + replug the scanner and try again.")
            .arg(rawValue(phase_), QString::number(seconds_));
    case Kind::noFunctionalUnit: return QStringLiteral("Scanner has no document feeder.");
    case Kind::canceled: return QStringLiteral("Scanner session canceled.");
    }
    return {};
}

} // namespace vantry
