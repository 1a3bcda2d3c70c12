#pragma once

#include <QString>
#include <QStringList>

class CProfile;

// The list of recently used documents, most recent first, in the profile's
// section "Recent File List" as "File1" to "File4". Opening or saving a
// document moves it to the front; the list keeps at most four entries.
class CRecentFileList
{
public:
    static constexpr int MaxEntries = 4;

    // Reads the entries (empty values are skipped).
    void Load();
    void Load(const CProfile& profile);
    // Writes the entries and removes the values of the places now empty.
    bool Save() const;
    bool Save(CProfile& profile) const;

    // Puts `path` at the front; an equal entry further down is removed.
    void Add(const QString& path);
    void Remove(int index);
    void Clear() { m_entries.clear(); }

    const QStringList& Entries() const { return m_entries; }
    int Size() const { return static_cast<int>(m_entries.size()); }
    QString At(int index) const { return m_entries.value(index); }

    // The text of entry `index` in the File menu: "&1 " and the path, shortened
    // in the middle when it is long.
    QString MenuText(int index) const;

    static const QString& SectionName(); // "Recent File List"
    static QString ValueName(int index); // "File1" for index 0

private:
    QStringList m_entries;
};

// The process's recent-file list, loaded at start-up.
CRecentFileList& RecentFileList();
