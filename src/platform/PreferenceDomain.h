#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace vantry {

// Another application's preference domain (its user defaults).
class PreferenceDomain {
public:
    virtual ~PreferenceDomain() = default;
    // None when the key is absent or holds no integer.
    virtual std::optional<qint64> integerValue(const QString& key) const = 0;
    virtual void setIntegerValue(const QString& key, qint64 value) = 0;
};

// Opens preference domains by name.
class PreferenceDomains {
public:
    virtual ~PreferenceDomains() = default;
    // None when the domain is unavailable.
    virtual std::unique_ptr<PreferenceDomain> open(const QString& domain) = 0;

    // The system's domains. Linux has no scan application with such a domain: every
    // domain is unavailable.
    static PreferenceDomains& system();
};

} // namespace vantry
