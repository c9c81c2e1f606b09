#pragma once

#include "platform/PreferenceDomain.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <memory>

namespace vantry {

// In-memory preference domains for tests. Only domains that were given a value (or
// made available) open; `writes` counts every write.
class FakePreferenceDomains final : public PreferenceDomains {
public:
    void makeAvailable(const QString& domain) { available_.insert(domain); }
    void set(const QString& domain, const QString& key, qint64 value)
    {
        available_.insert(domain);
        values_[domain][key] = value;
    }
    std::optional<qint64> value(const QString& domain, const QString& key) const
    {
        const auto d = values_.constFind(domain);
        if (d == values_.cend() || !d->contains(key))
            return std::nullopt;
        return d->value(key);
    }
    int writes() const { return writes_; }

    std::unique_ptr<PreferenceDomain> open(const QString& domain) override
    {
        if (!available_.contains(domain))
            return nullptr;
        return std::make_unique<Domain>(*this, domain);
    }

private:
    class Domain final : public PreferenceDomain {
    public:
        Domain(FakePreferenceDomains& owner, QString name) : owner_(owner), name_(std::move(name)) {}
        std::optional<qint64> integerValue(const QString& key) const override { return owner_.value(name_, key); }
        void setIntegerValue(const QString& key, qint64 value) override
        {
            owner_.values_[name_][key] = value;
            ++owner_.writes_;
        }

    private:
        FakePreferenceDomains& owner_;
        QString name_;
    };

    QSet<QString> available_;
    QHash<QString, QHash<QString, qint64>> values_;
    int writes_ = 0;
};

} // namespace vantry
