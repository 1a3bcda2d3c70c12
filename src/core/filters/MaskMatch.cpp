#include "core/filters/MaskMatch.h"

namespace {

// Length in UTF-16 units of the character at `i`: a surrogate pair is one character.
qsizetype CharLength(QStringView text, qsizetype i)
{
    return (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
}

} // namespace

QString FoldForMatch(QStringView text)
{
    QString folded;
    folded.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = CharLength(text, i);
        if (length == 2) {
            const char32_t upper = QChar::toUpper(QChar::surrogateToUcs4(text[i], text[i + 1]));
            folded += QChar(QChar::highSurrogate(upper));
            folded += QChar(QChar::lowSurrogate(upper));
        } else {
            // Lone surrogates (the escapes of undecodable bytes) stay as they are.
            folded += text[i].toUpper();
        }
        i += length;
    }
    return folded;
}

bool MatchesFoldedMask(QStringView name, QStringView mask)
{
    if (mask == u"*.*")
        return true;
    // Greedy matching that remembers only the last "*": when a later part fails,
    // that star takes one more character. Each step advances in the name or in
    // the star's start, so the work is bounded by name length x mask length.
    qsizetype n = 0;
    qsizetype m = 0;
    qsizetype starMask = -1;
    qsizetype starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == u'*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && mask[m] == u'?') {
            n += CharLength(name, n);
            ++m;
        } else if (m < mask.size() && mask[m] == name[n]) {
            ++n;
            ++m;
        } else if (starMask >= 0) {
            starName += CharLength(name, starName);
            n = starName;
            m = starMask + 1;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*')
        ++m;
    return m == mask.size();
}

bool MatchesMask(const QString& name, const QString& mask)
{
    return MatchesFoldedMask(FoldForMatch(name), FoldForMatch(mask));
}
