#include "core/intake/ScanFileOrder.h"

#include <algorithm>

namespace vantry::ScanFileOrder {

namespace {

bool isDigit(QChar c) { return c.isDigit() && c.digitValue() >= 0; }

// Compares the digit runs a[i..) and b[j..) by value and advances both indices.
int compareDigitRuns(QStringView a, qsizetype& i, QStringView b, qsizetype& j)
{
    auto skipZeros = [](QStringView s, qsizetype& k) {
        while (k < s.size() && isDigit(s[k]) && s[k].digitValue() == 0)
            ++k;
    };
    skipZeros(a, i);
    skipZeros(b, j);
    const qsizetype startA = i, startB = j;
    while (i < a.size() && isDigit(a[i]))
        ++i;
    while (j < b.size() && isDigit(b[j]))
        ++j;
    const qsizetype lenA = i - startA, lenB = j - startB;
    if (lenA != lenB)
        return lenA < lenB ? -1 : 1;
    for (qsizetype k = 0; k < lenA; ++k) {
        const int da = a[startA + k].digitValue(), db = b[startB + k].digitValue();
        if (da != db)
            return da < db ? -1 : 1;
    }
    return 0;
}

} // namespace

int compare(QStringView a, QStringView b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            if (const int c = compareDigitRuns(a, i, b, j))
                return c;
            continue;
        }
        const char16_t ca = a[i].toCaseFolded().unicode(), cb = b[j].toCaseFolded().unicode();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    const bool aLeft = i < a.size(), bLeft = j < b.size();
    if (aLeft == bLeft)
        return 0;
    return aLeft ? 1 : -1;
}

QString fileName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

void sortPaths(QStringList& paths)
{
    std::stable_sort(paths.begin(), paths.end(),
                     [](const QString& a, const QString& b) { return before(fileName(a), fileName(b)); });
}

} // namespace vantry::ScanFileOrder
