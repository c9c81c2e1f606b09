#include "app/capture/CaptureCommandTexts.h"
#include "app/capture/CaptureTexts.h"
#include "app/capture/ToolbarState.h"
#include "app/scanner/PrefHealer.h"
#include "app/settings/ScannerSettingsTexts.h"
#include "app/settings/SettingsTexts.h"
#include "core/intake/DirectScanGuidance.h"
#include "platform/FakePreferenceDomains.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

// Every text that tells a user how to scan, in each state it has.
QStringList scanningTexts()
{
    QStringList texts;
    for (bool direct : {false, true}) {
        texts << CaptureTexts::emptyIntro(direct) << ScannerSettingsTexts::intro(direct)
              << ScannerSettingsTexts::appliedNote(direct) << ScannerSettingsTexts::switchNote(direct);
    }
    texts << CaptureTexts::emptySteps() << CaptureTexts::emptyQuirks() << ScannerSettingsTexts::hardwareNote()
          << ScannerSettingsTexts::tip();
    texts << CaptureCommandTexts::directScanHelp(false, std::nullopt, "/s/B1")
          << CaptureCommandTexts::directScanHelp(false, QString(), "/s/B1")
          << CaptureCommandTexts::noScannerStatus() << CaptureCommandTexts::watchingStatus("B1", 0)
          << CaptureCommandTexts::scanFolderHelp(false);
    for (bool watching : {false, true}) {
        ToolbarState::Inputs in;
        in.isWatching = watching;
        in.directScanEnabled = true;
        const ToolbarState s = ToolbarState::of(in);
        for (const auto* control : {&s.scanFolder, &s.watch, &s.pause, &s.scan, &s.importFolder, &s.clearFolder,
                                    &s.addCard, &s.newBatch, &s.duplex, &s.recount})
            texts << control->help;
    }
    texts << SettingsTexts::trainingTitle() << SettingsTexts::trainingNote("~/.local/share/VantryCapture/training")
          << SettingsTexts::directScanNote() << SettingsTexts::directScanSettingsNote()
          << DirectScanGuidance::emptyScanMessage(1) << DirectScanGuidance::emptyScanMessage(2);
    FakePreferenceDomains domains;
    domains.set(QStringLiteral("com.apple.Image_Capture"), QStringLiteral("IK_DetectSeparateItemsScanMode"), 1);
    texts << PrefHealer::healImageCaptureDuplicateScans(domains).message.value_or(QString());
    return texts;
}

// No text sends a Linux user to a program that is not there, or takes one scanner model
// for the user's.
TEST(PlatformTexts, NameWhatExistsOnLinux)
{
    const QStringList elsewhere{"Image Capture", "ImageCapture", "Core ML", "CoreML", "coremltools", "Apple",
                                "fi-8170", "Finder", "log show"};
    for (const QString& text : scanningTexts()) {
        ASSERT_FALSE(text.isEmpty());
        for (const QString& name : elsewhere)
            EXPECT_FALSE(text.contains(name, Qt::CaseInsensitive)) << text.toStdString();
    }
}

// The watched-folder road names the apps that write into a folder, and direct scanning names SANE.
TEST(PlatformTexts, NameTheLinuxCounterparts)
{
    EXPECT_TRUE(CaptureTexts::emptyIntro(false).contains("your scanning app (Document Scanner, Skanlite or NAPS2)"));
    EXPECT_TRUE(CaptureTexts::emptyIntro(true).contains("(through SANE)"));
    EXPECT_TRUE(SettingsTexts::directScanNote().contains("opens the scanner through SANE"));
    EXPECT_TRUE(ScannerSettingsTexts::switchNote(false).contains("Document Scanner, Skanlite or NAPS2"));
}

} // namespace
} // namespace vantry
