#include "core/engine/Keys.h"

#include <QHash>
#include <algorithm>

namespace {

bool IsAscii(QStringView name)
{
    for (const QChar c : name) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

char16_t AsciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

// FNV-1a over UTF-16 units, then a final mix.
constexpr quint32 kHashStart = 2166136261u;

quint32 HashStep(quint32 hash, char16_t unit)
{
    return (hash ^ unit) * 16777619u;
}

quint32 HashEnd(quint32 hash)
{
    hash ^= hash >> 15;
    hash *= 0x2c1b3c6du;
    hash ^= hash >> 12;
    return hash;
}

// The hash of a name beyond ASCII, over the key MakeKey builds.
quint32 HashOfBuiltKey(QStringView name)
{
    quint32 hash = kHashStart;
    for (const QChar c : MakeKey(name.toString()))
        hash = HashStep(hash, c.unicode());
    return HashEnd(hash);
}

bool IsLoneSurrogateAt(const QString& name, qsizetype i)
{
    const QChar c = name[i];
    if (c.isHighSurrogate())
        return i + 1 == name.size() || !name[i + 1].isLowSurrogate();
    if (c.isLowSurrogate())
        return i == 0 || !name[i - 1].isHighSurrogate();
    return false;
}

bool HasSurrogate(const QString& name)
{
    return std::any_of(name.begin(), name.end(), [](QChar c) { return c.isSurrogate(); });
}

} // namespace

QString MakeKey(const QString& name)
{
    if (!HasSurrogate(name))
        return name.toUpper();
    QString key;
    key.reserve(name.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!IsLoneSurrogateAt(name, i))
            continue;
        key += name.mid(start, i - start).toUpper();
        key += name[i];
        start = i + 1;
    }
    key += name.mid(start).toUpper();
    return key;
}

quint32 HashOfKey(QStringView name)
{
    // For ASCII text the upper-casing of MakeKey maps exactly a-z to A-Z.
    quint32 hash = kHashStart;
    for (const QChar c : name) {
        if (c.unicode() >= 0x80)
            return HashOfBuiltKey(name);
        hash = HashStep(hash, AsciiUpper(c.unicode()));
    }
    return HashEnd(hash);
}

bool SameKey(QStringView a, QStringView b)
{
    if (IsAscii(a) && IsAscii(b)) {
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (AsciiUpper(a[i].unicode()) != AsciiUpper(b[i].unicode()))
                return false;
        }
        return true;
    }
    // A name beyond ASCII may still have an ASCII key ("ﬀ" gives "FF").
    return MakeKey(a.toString()) == MakeKey(b.toString());
}

std::vector<NamePair> PairNames(const QStringList& project, const QStringList& target)
{
    std::vector<NamePair> pairs;
    pairs.reserve(size_t(std::max(project.size(), target.size())));
    QHash<QString, qsizetype> targetByName;
    targetByName.reserve(target.size());
    for (qsizetype j = 0; j < target.size(); ++j)
        targetByName.insert(target[j], j);
    std::vector<bool> targetPaired(size_t(target.size()), false);
    std::vector<qsizetype> projectLeft;
    for (qsizetype i = 0; i < project.size(); ++i) {
        const auto found = targetByName.constFind(project[i]);
        if (found == targetByName.cend()) {
            projectLeft.push_back(i);
            continue;
        }
        targetPaired[size_t(*found)] = true;
        pairs.push_back({{i, *found}});
    }
    std::vector<qsizetype> targetLeft;
    for (qsizetype j = 0; j < target.size(); ++j) {
        if (!targetPaired[size_t(j)])
            targetLeft.push_back(j);
    }

    // The unpaired names of each key, counted per side.
    struct Variants
    {
        qsizetype last[2] = {-1, -1};
        int count[2] = {0, 0};
    };
    QHash<QString, Variants> byKey;
    if (!projectLeft.empty() && !targetLeft.empty()) {
        for (const qsizetype i : projectLeft) {
            Variants& variants = byKey[MakeKey(project[i])];
            variants.last[0] = i;
            ++variants.count[0];
        }
        for (const qsizetype j : targetLeft) {
            Variants& variants = byKey[MakeKey(target[j])];
            variants.last[1] = j;
            ++variants.count[1];
        }
    }
    for (const qsizetype i : projectLeft) {
        const auto found = byKey.isEmpty() ? byKey.cend() : byKey.constFind(MakeKey(project[i]));
        if (found != byKey.cend() && found->count[0] == 1 && found->count[1] == 1) {
            targetPaired[size_t(found->last[1])] = true;
            pairs.push_back({{i, found->last[1]}});
        } else {
            pairs.push_back({{i, -1}});
        }
    }
    for (const qsizetype j : targetLeft) {
        if (!targetPaired[size_t(j)])
            pairs.push_back({{-1, j}});
    }
    return pairs;
}
