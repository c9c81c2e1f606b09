#pragma once

#include "core/records/TrainingDataStats.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vantry::SettingsTexts {

// The settings window's derived texts and enabled states.

// The account row's trailing text: the e-mail, or "—" when none is known.
QString signedInAs(const std::optional<QString>& email);

// The account section as the sign-in stands now: signed out, the row names nobody and Sign
// Out is not offered (the window stays open across a sign-out and a sign-in).
struct Account {
    QString signedInAs;
    bool offersSignOut = false;
};
Account account(bool isSignedIn, const std::optional<QString>& email);

// "%lld foil · %lld nonfoil · %lld etched".
QString byFinish(const TrainingDataStats& stats);
// "%lld verified · %lld auto".
QString verifiedVsAuto(const TrainingDataStats& stats);

// Export and clear need a store with labels and no training action already running.
bool trainingActionsEnabled(bool hasStore, const TrainingDataStats& stats, bool busy);

// The clear confirmation's message for `total` labels.
QString wipeConfirmMessage(int total);

// "Exported to " and the export folder's name.
QString exportToast(const QString& folderPath);

// A slider's value as shown beside it ("%.2f").
QString sliderValue(double value);
// The gap slider's help: its lowest position is the default gap, never none.
QString gapMinHelp();

// `path` with the home folder written as "~".
QString abbreviatedPath(const QString& path, const QString& homeDir);

// The training section's note, naming the folder the labels are kept in.
QString trainingNote(const QString& trainingFolder);

// The training section's title: the labels are for a foil model the build does not have yet.
QString trainingTitle();

// The scanner section's notes: what direct scanning does and which recommended settings it
// applies through SANE.
QString directScanNote();
QString directScanSettingsNote();

// The scanner section's last note, naming the diagnostic log file.
QString scannerDiagnosticsNote(const QString& logFile);

// Condition codes in menu order.
const QStringList& conditions();

} // namespace vantry::SettingsTexts
