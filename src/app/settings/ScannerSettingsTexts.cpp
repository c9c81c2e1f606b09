#include "app/settings/ScannerSettingsTexts.h"

namespace vantry::ScannerSettingsTexts {

const std::vector<Setting>& recommendedSettings()
{
    static const std::vector<Setting> table{
        {QStringLiteral("Cropping"), QStringLiteral("None (black background)"), true},
        {QStringLiteral("Kind"), QStringLiteral("Color"), false},
        {QStringLiteral("Format"), QStringLiteral("PNG"), false},
        {QStringLiteral("Image Correction"), QStringLiteral("None"), false},
        {QStringLiteral("Text clarity"), QStringLiteral("Emphasis-Level 2"), false},
        {QStringLiteral("Multifeed detection"), QStringLiteral("On"), false},
        {QStringLiteral("Blank page skip"), QStringLiteral("On"), false},
        {QStringLiteral("Duplex"), QStringLiteral("On if scanning both faces"), false},
    };
    return table;
}

QString title() { return QStringLiteral("Recommended scanner settings"); }

QString intro(bool directScanEnabled)
{
    if (directScanEnabled)
        return QStringLiteral("The app drives the scanner and applies the speed below. The rest of these it sets on "
                              "the device where it can; otherwise they don't apply.");
    return QStringLiteral("Scan to a folder with your scanning app (Document Scanner, Skanlite or NAPS2) using these, "
                          "then Import Folder.");
}

QString hardwareNote()
{
    return QStringLiteral("Each option here is a real applied scanner step: the direct path asks the scanner for that "
                          "dpi, or for the nearest lower one it offers.");
}

QString appliedNote(bool directScanEnabled)
{
    if (directScanEnabled)
        return QStringLiteral("Applied to every scan the app runs.");
    return QStringLiteral("Recommendation only. Set this DPI in your scanning app; the app isn't driving the scanner. "
                          "Turn on the switch below to apply it for you.");
}

QString switchLabel() { return QStringLiteral("Let the app drive the scanner"); }

QString switchNote(bool directScanEnabled)
{
    if (directScanEnabled)
        return QStringLiteral("On: the app opens the scanner and pulls pages at the speed above, straight into your "
                              "Scan Folder. Use Scan Batch in the toolbar. If a scan stalls, turn this off and scan "
                              "with your scanning app.");
    return QStringLiteral("Off: fallback mode. You scan with your scanning app (Document Scanner, Skanlite or NAPS2); "
                          "the app just watches the folder. The speed above is guidance only.");
}

QString tip()
{
    return QStringLiteral("Keep Cropping on None so each card stays a full rectangle on a black field; the app crops "
                          "tight with padding, so the collector number is never clipped. Feed cards slowly, a few at "
                          "a time, so they don't slip and smear while scanning.");
}

} // namespace vantry::ScannerSettingsTexts
