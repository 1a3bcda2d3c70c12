#include "core/filters/FilterEntry.h"

#include "core/filters/MaskMatch.h"

namespace {

bool IsSeparator(QChar c)
{
    return c == u';' || c == u',' || c == u' ';
}

} // namespace

bool FilterEntry::ParseStoredText(const QString& name, const QString& text)
{
    Name = name;
    if (text.isEmpty()) {
        // An empty stored text is an exclude entry without masks: it excludes nothing.
        Exclude = true;
        SetMaskList({});
    } else if (text.startsWith(u'!')) {
        Exclude = true;
        SetMasks(text.mid(1));
    } else {
        Exclude = false;
        SetMasks(text);
    }
    return true;
}

void FilterEntry::SetMasks(const QString& text)
{
    QStringList masks;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || IsSeparator(text[i])) {
            if (i > start)
                masks << text.mid(start, i - start);
            start = i + 1;
        }
    }
    SetMaskList(masks);
}

void FilterEntry::SetMaskList(const QStringList& masks)
{
    m_masks = masks;
    m_foldedMasks.clear();
    m_foldedMasks.reserve(masks.size());
    for (const QString& mask : masks)
        m_foldedMasks << FoldForMatch(mask);
}

QString FilterEntry::GetMaskText() const
{
    return m_masks.join(u';');
}

QString FilterEntry::GetStoredText() const
{
    return Exclude ? QLatin1Char('!') + GetMaskText() : GetMaskText();
}

bool FilterEntry::ExcludesFile(const QString& fileName) const
{
    return ExcludesFolded(FoldForMatch(fileName));
}

bool FilterEntry::ExcludesFolded(QStringView foldedName) const
{
    for (const QString& mask : m_foldedMasks) {
        if (MatchesFoldedMask(foldedName, mask))
            return Exclude;
    }
    // No mask matched: an include entry keeps only what it matches.
    return !Exclude;
}

void FilterEntry::CopyFrom(const FilterEntry& other)
{
    Name = other.Name;
    Exclude = other.Exclude;
    m_masks = other.m_masks;
    m_foldedMasks = other.m_foldedMasks;
}
