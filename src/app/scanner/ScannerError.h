#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <optional>

namespace vantry {

// Where a scanner session stands. Raw values equal the case names.
enum class ScannerPhase { idle, openingSession, selectingUnit, configuringUnit, scanning, closing };

QString rawValue(ScannerPhase phase);
std::optional<ScannerPhase> scannerPhaseFromRaw(const QString& raw);

// Why a direct scan failed, with the text shown to the user.
class ScannerError : public std::exception {
public:
    enum class Kind { sessionFailed, scanFailed, stuck, noFunctionalUnit, canceled };

    static ScannerError sessionFailed(QString message);
    static ScannerError scanFailed(QString message);
    static ScannerError stuck(ScannerPhase phase, quint64 seconds);
    static ScannerError noFunctionalUnit();
    static ScannerError canceled();

    Kind kind() const { return kind_; }
    const QString& message() const { return message_; }
    ScannerPhase phase() const { return phase_; }
    quint64 seconds() const { return seconds_; }

    QString errorDescription() const;
    const char* what() const noexcept override { return utf8_.constData(); }

    bool operator==(const ScannerError& other) const
    {
        return kind_ == other.kind_ && message_ == other.message_ && phase_ == other.phase_ && seconds_ == other.seconds_;
    }

private:
    ScannerError(Kind kind, QString message, ScannerPhase phase, quint64 seconds);

    Kind kind_;
    QString message_;
    ScannerPhase phase_ = ScannerPhase::idle;
    quint64 seconds_ = 0;
    QByteArray utf8_;
};

} // namespace vantry
