#include "core/card/CardAttribution.h"

namespace vantry {

QStringList titleCandidates(const CardAttribution& attribution)
{
    QStringList out;
    if (attribution.title && !attribution.title->isEmpty())
        out << *attribution.title;
    for (const QString& alt : attribution.titleAlternatives)
        if (!alt.isEmpty())
            out << alt;
    return out;
}

} // namespace vantry
