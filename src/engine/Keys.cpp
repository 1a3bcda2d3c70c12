#include "engine/Keys.h"

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

// FNV-1a over the UTF-16 units of the key, then a final mix.
quint32 HashUnits(QStringView key, bool upperAscii)
{
    quint32 hash = 2166136261u;
    for (const QChar c : key) {
        const char16_t unit = upperAscii ? AsciiUpper(c.unicode()) : c.unicode();
        hash = (hash ^ unit) * 16777619u;
    }
    hash ^= hash >> 15;
    hash *= 0x2c1b3c6du;
    hash ^= hash >> 12;
    return hash;
}

} // namespace

quint32 HashOfKey(QStringView name)
{
    // For ASCII text the upper-casing of MakeKey maps exactly a-z to A-Z.
    if (IsAscii(name))
        return HashUnits(name, true);
    return HashUnits(MakeKey(name.toString()), false);
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
