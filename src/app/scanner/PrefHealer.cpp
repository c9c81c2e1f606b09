#include "app/scanner/PrefHealer.h"

namespace vantry::PrefHealer {

Outcome healImageCaptureDuplicateScans(PreferenceDomains& domains)
{
    const std::unique_ptr<PreferenceDomain> domain = domains.open(QStringLiteral("com.apple.Image_Capture"));
    if (!domain)
        return {};
    const QString key = QStringLiteral("IK_DetectSeparateItemsScanMode");
    const qint64 value = domain->integerValue(key).value_or(0);
    if (value == 0)
        return {};
    domain->setIntegerValue(key, 0);
    return Outcome{true, value,
                   QStringLiteral("Disabled the scanning app's \"Detect Separate Items\" — it produces duplicate "
                                  "scans for card-on-black-background. Restart the scanning app for the change to "
                                  "fully apply.")};
}

} // namespace vantry::PrefHealer
