#include "platform/PreferenceDomain.h"

namespace vantry {

namespace {

class SystemPreferenceDomains final : public PreferenceDomains {
public:
    std::unique_ptr<PreferenceDomain> open(const QString&) override { return nullptr; }
};

} // namespace

PreferenceDomains& PreferenceDomains::system()
{
    static SystemPreferenceDomains domains;
    return domains;
}

} // namespace vantry
