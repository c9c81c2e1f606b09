#pragma once

#include "core/resolution/CardResolving.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace vantry::test {

// A resolver that answers from functions and records every call as a line:
// "set NEO 12 nonfoil ja" or "search Lightning Bolt nonfoil".
class RecordingResolver final : public CardResolving {
public:
    using SetAnswer = std::function<std::vector<Candidate>(const QString& set, const QString& number, ScanFinish,
                                                           const std::optional<QString>& language)>;
    using SearchAnswer = std::function<std::vector<Candidate>(const QString& text, ScanFinish)>;

    SetAnswer onSet;
    SearchAnswer onSearch;
    std::shared_ptr<QStringList> calls = std::make_shared<QStringList>();

    QCoro::Task<std::vector<Candidate>> resolveSetCollector(QString setCode, QString collectorNumber,
                                                            ScanFinish finish,
                                                            std::optional<QString> language) const override
    {
        *calls << QStringLiteral("set %1 %2 %3 %4")
                      .arg(setCode, collectorNumber, rawValue(finish), language.value_or(QStringLiteral("nil")));
        co_return onSet ? onSet(setCode, collectorNumber, finish, language) : std::vector<Candidate>{};
    }

    QCoro::Task<std::vector<Candidate>> searchByName(QString text, ScanFinish finish) const override
    {
        *calls << QStringLiteral("search %1 %2").arg(text, rawValue(finish));
        co_return onSearch ? onSearch(text, finish) : std::vector<Candidate>{};
    }
};

// A candidate with the fields tests care about.
inline Candidate makeCandidate(const QString& id, const QString& name, const QString& set, const QString& number,
                               double score = 0, ScanFinish finish = ScanFinish::nonfoil)
{
    Candidate c;
    c.scryfallId = id;
    c.name = name;
    c.setCode = set;
    c.collectorNumber = number;
    c.score = score;
    c.finish = finish;
    return c;
}

} // namespace vantry::test
