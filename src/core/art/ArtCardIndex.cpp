#include "core/art/ArtCardIndex.h"

#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <QHash>

namespace vantry {

namespace {

constexpr char signature[4] = {'V', 'Y', 'A', 'C'};

// Bounded little-endian reads over the file bytes; a read that does not fit fails and
// leaves the position where it was.
class Reader {
public:
    explicit Reader(const QByteArray& data)
        : data_(reinterpret_cast<const unsigned char*>(data.constData()))
        , size_(static_cast<quint64>(data.size()))
    {
    }

    quint64 remaining() const { return size_ - pos_; }

    std::optional<quint64> readUInt(int bytes)
    {
        if (remaining() < static_cast<quint64>(bytes))
            return std::nullopt;
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= static_cast<quint64>(data_[pos_ + i]) << (8 * i);
        pos_ += bytes;
        return value;
    }

    std::optional<QString> readString()
    {
        const auto length = readUInt(2);
        if (!length || remaining() < *length)
            return std::nullopt;
        // Strict: invalid sequences fail the file, and a leading BOM is kept as text.
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        QString text = decoder.decode(QByteArrayView(data_ + pos_, static_cast<qsizetype>(*length)));
        if (decoder.hasError())
            return std::nullopt;
        pos_ += *length;
        return text;
    }

    // Fails before allocating when the bytes for `count` floats are not there.
    bool readFloats(quint64 count, std::vector<float>& out)
    {
        if (remaining() / 4 < count)
            return false;
        out.resize(count);
        for (quint64 i = 0; i < count; ++i) {
            quint32 bits = 0;
            for (int b = 0; b < 4; ++b)
                bits |= static_cast<quint32>(data_[pos_ + 4 * i + b]) << (8 * b);
            std::memcpy(&out[i], &bits, 4);
        }
        pos_ += 4 * count;
        return true;
    }

private:
    const unsigned char* data_;
    quint64 size_;
    quint64 pos_ = 0;
};

void putUInt(QByteArray& out, quint64 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

void putString(QByteArray& out, const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    if (utf8.size() > 0xffff) {
        // Cut at a character boundary so that the file still reads back as valid UTF-8.
        qsizetype cut = 0xffff;
        while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xc0) == 0x80)
            --cut;
        utf8.truncate(cut);
    }
    putUInt(out, static_cast<quint64>(utf8.size()), 2);
    out.append(utf8);
}

void putFloat(QByteArray& out, float value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &value, 4);
    putUInt(out, bits, 4);
}

// Euclidean distance in single precision over eight running sums (one vector register of
// eight floats, or two of four), so that the loop runs in SIMD.
// Gives up early (returning infinity) once the partial sum already exceeds `limit`:
// sums of squares only grow, so such an entry can never come back under the limit.
typedef float Float8 __attribute__((vector_size(32)));

constexpr std::size_t prefetchAhead = 4;
constexpr int prefetchLines = 8;

float distanceWithin(const float* a, const float* b, std::size_t n, float limit)
{
    Float8 lanes = {0, 0, 0, 0, 0, 0, 0, 0};
    std::size_t i = 0;
    constexpr std::size_t block = 32;
    auto total = [&lanes] {
        return ((lanes[0] + lanes[1]) + (lanes[2] + lanes[3])) + ((lanes[4] + lanes[5]) + (lanes[6] + lanes[7]));
    };
    while (i + block <= n) {
        for (std::size_t end = i + block; i < end; i += 8) {
            Float8 x;
            Float8 y;
            std::memcpy(&x, a + i, sizeof x);
            std::memcpy(&y, b + i, sizeof y);
            const Float8 d = x - y;
            lanes += d * d;
        }
        if (std::sqrt(total()) > limit)
            return std::numeric_limits<float>::infinity();
    }
    float tail = 0;
    for (; i < n; ++i) {
        const float d = a[i] - b[i];
        tail += d * d;
    }
    return std::sqrt(total() + tail);
}

} // namespace

std::optional<ArtCardIndex> ArtCardIndex::fromData(const QByteArray& data)
{
    if (data.size() < 4 || std::memcmp(data.constData(), signature, 4) != 0)
        return std::nullopt;
    Reader reader(data);
    reader.readUInt(4);
    const auto version = reader.readUInt(2);
    const auto revision = reader.readUInt(2);
    const auto dimension = reader.readUInt(4);
    const auto count = reader.readUInt(4);
    if (!version || !revision || !dimension || !count)
        return std::nullopt;

    ArtCardIndex index;
    index.revision = static_cast<int>(*revision);
    index.dimension = static_cast<qint64>(*dimension);
    // Never reserve more entries than the remaining bytes could hold, whatever the header says.
    const quint64 perEntry = 4 * *dimension + 8;
    index.entries.reserve(static_cast<std::size_t>(std::min<quint64>(*count, reader.remaining() / perEntry + 1)));
    for (quint64 n = 0; n < *count; ++n) {
        ArtCardEntry entry;
        for (QString* field : {&entry.scryfallId, &entry.name, &entry.setCode, &entry.collectorNumber}) {
            auto text = reader.readString();
            if (!text)
                return std::nullopt;
            *field = std::move(*text);
        }
        if (!reader.readFloats(*dimension, entry.vector))
            return std::nullopt;
        index.entries.push_back(std::move(entry));
    }
    return index;
}

QByteArray ArtCardIndex::encoded() const
{
    const quint64 dim = static_cast<quint64>(std::clamp<qint64>(dimension, 0, 0xffffffffLL));
    const quint64 count = std::min<quint64>(entries.size(), 0xffffffffULL);
    QByteArray out;
    out.append(signature, 4);
    putUInt(out, 1, 2);
    putUInt(out, static_cast<quint64>(std::clamp(revision, 0, 0xffff)), 2);
    putUInt(out, dim, 4);
    putUInt(out, count, 4);
    for (quint64 n = 0; n < count; ++n) {
        const ArtCardEntry& entry = entries[n];
        putString(out, entry.scryfallId);
        putString(out, entry.name);
        putString(out, entry.setCode);
        putString(out, entry.collectorNumber);
        for (quint64 i = 0; i < dim; ++i)
            putFloat(out, i < entry.vector.size() ? entry.vector[i] : 0.0f);
    }
    return out;
}

std::vector<ArtCardMatch> ArtCardIndex::nearest(const std::vector<float>& query, int k, float maxDistance) const
{
    std::vector<ArtCardMatch> matches;
    if (static_cast<qint64>(query.size()) != dimension || k < 1 || entries.empty())
        return matches;
    for (std::size_t n = 0; n < entries.size(); ++n) {
        // Each vector lives in its own allocation: fetch the head of a later one while this
        // one is compared (most entries are dropped within their first few hundred bytes).
        // Addresses stay inside the vector: an empty one may have no storage at all.
        if (n + prefetchAhead < entries.size()) {
            const std::vector<float>& later = entries[n + prefetchAhead].vector;
            const char* ahead = reinterpret_cast<const char*>(later.data());
            const std::size_t bytes = later.size() * sizeof(float);
            for (std::size_t line = 0; line < std::size_t(prefetchLines) && 64 * line < bytes; ++line)
                __builtin_prefetch(ahead + 64 * line);
        }
        const ArtCardEntry& entry = entries[n];
        if (entry.vector.size() != query.size())
            continue;
        const float distance = distanceWithin(query.data(), entry.vector.data(), query.size(), maxDistance);
        if (distance <= maxDistance)
            matches.push_back({entry, distance});
    }
    std::stable_sort(matches.begin(), matches.end(),
                     [](const ArtCardMatch& a, const ArtCardMatch& b) { return a.distance < b.distance; });
    if (matches.size() > static_cast<std::size_t>(k))
        matches.resize(static_cast<std::size_t>(k));
    return matches;
}

std::vector<ArtCardMatch> ArtCardIndex::nearestAcrossRotations(const std::vector<std::vector<float>>& queries, int k,
                                                               float maxDistance) const
{
    std::vector<ArtCardMatch> best;
    if (k < 1)
        return best;
    // Kept in first-seen order, so that equal distances come out in a fixed order
    // (earlier orientation, then index order).
    QHash<QString, std::size_t> slot;
    for (const auto& query : queries) {
        for (ArtCardMatch& match : nearest(query, k, maxDistance)) {
            const auto it = slot.constFind(match.entry.scryfallId);
            if (it == slot.constEnd()) {
                slot.insert(match.entry.scryfallId, best.size());
                best.push_back(std::move(match));
            } else if (match.distance < best[*it].distance) {
                best[*it] = std::move(match);
            }
        }
    }
    std::stable_sort(best.begin(), best.end(),
                     [](const ArtCardMatch& a, const ArtCardMatch& b) { return a.distance < b.distance; });
    if (best.size() > static_cast<std::size_t>(k))
        best.resize(static_cast<std::size_t>(k));
    return best;
}

} // namespace vantry
