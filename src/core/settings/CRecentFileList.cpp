#include "core/settings/CRecentFileList.h"

#include "core/platform/Profile.h"

namespace {

// Longer paths are shown with their middle replaced by "...".
constexpr qsizetype kMenuTextLimit = 60;

} // namespace

const QString& CRecentFileList::SectionName()
{
    static const QString name = QStringLiteral("Recent File List");
    return name;
}

QString CRecentFileList::ValueName(int index)
{
    return QStringLiteral("File%1").arg(index + 1);
}

void CRecentFileList::Load()
{
    Load(CProfile::Instance());
}

void CRecentFileList::Load(const CProfile& profile)
{
    m_entries.clear();
    for (int i = 0; i < MaxEntries; ++i) {
        const QString path = profile.GetProfileString(SectionName(), ValueName(i));
        if (!path.isEmpty() && !m_entries.contains(path))
            m_entries << path;
    }
}

bool CRecentFileList::Save() const
{
    return Save(CProfile::Instance());
}

bool CRecentFileList::Save(CProfile& profile) const
{
    bool ok = true;
    for (int i = 0; i < MaxEntries; ++i) {
        if (i < m_entries.size())
            ok = profile.WriteProfileString(SectionName(), ValueName(i), m_entries[i]) && ok;
        else if (!profile.GetProfileString(SectionName(), ValueName(i)).isEmpty())
            ok = profile.DeleteProfileValue(SectionName(), ValueName(i)) && ok;
    }
    return ok;
}

void CRecentFileList::Add(const QString& path)
{
    if (path.isEmpty())
        return;
    m_entries.removeAll(path);
    m_entries.prepend(path);
    while (m_entries.size() > MaxEntries)
        m_entries.removeLast();
}

void CRecentFileList::Remove(int index)
{
    if (index >= 0 && index < m_entries.size())
        m_entries.removeAt(index);
}

QString CRecentFileList::MenuText(int index) const
{
    QString path = At(index);
    if (path.size() > kMenuTextLimit) {
        qsizetype head = (kMenuTextLimit - 3) / 2;
        qsizetype tail = head;
        // Never cut a character that takes two code units in half.
        if (path[head - 1].isHighSurrogate() && path[head].isLowSurrogate())
            --head;
        if (path[path.size() - tail].isLowSurrogate() && path[path.size() - tail - 1].isHighSurrogate())
            --tail;
        path = path.left(head) + QStringLiteral("...") + path.right(tail);
    }
    // A "&" in the path is shown as itself, not as a mnemonic.
    path.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(path);
}

CRecentFileList& RecentFileList()
{
    static CRecentFileList list;
    return list;
}
