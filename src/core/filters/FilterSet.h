#pragma once

#include "core/filters/FilterEntry.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class CProfile;

// The ordered set of filter entries. One global set holds the application's
// entries (profile section "FileFilter", one string value per entry in set
// order); the filter editor works on a temporary copy. Which entries are in
// force for a folder is a selection: a list of entry names, compared exactly.
class FilterSet
{
public:
    FilterSet() = default;
    FilterSet(const FilterSet&) = delete;
    FilterSet& operator=(const FilterSet&) = delete;

    // Empties the set; it then counts as complete.
    void RemoveAll();
    // RemoveAll(), then a copy of each entry of `other`, in order.
    void CopyFrom(const FilterSet& other);

    // Whether a selected entry excludes `name`: exclude entries act together
    // (any match excludes), include entries act together (a name is kept only
    // when every selected include entry matches it). Unselected entries and
    // names in the selection that match no entry have no effect.
    bool IsExcluded(const QString& name, const QStringList& selection) const;

    // Replaces the entries with those of the profile's "FileFilter" section, in
    // their written order. Values of any length load. True when the section
    // was read whole (an absent section reads as empty); otherwise the entries
    // that could be read are loaded and IsComplete() turns false.
    bool LoadFromRegistry();
    bool LoadFromRegistry(CProfile& profile);
    // Makes the section's values one per entry, in set order, with one
    // replacement of the profile file (a failed save leaves the old entries;
    // the profile's LastError says why). Lines of the section that the
    // profile could not read stay in the file.
    bool SaveToRegistry() const;
    bool SaveToRegistry(CProfile& profile) const;
    // Deletes every value of the section.
    bool DeleteRegistryValues() const;
    bool DeleteRegistryValues(CProfile& profile) const;

    // Whether the last load read the whole section: when it did not, an entry
    // that a selection names may exist in the profile without being here.
    bool IsComplete() const { return m_complete; }
    // Whether an entry is named exactly `name` (as selections name entries).
    bool ContainsExactly(const QString& name) const;

    // The entries, for the editor and the command line.
    qsizetype size() const { return static_cast<qsizetype>(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    FilterEntry& at(qsizetype index) { return *m_entries.at(static_cast<size_t>(index)); }
    const FilterEntry& at(qsizetype index) const { return *m_entries.at(static_cast<size_t>(index)); }
    FilterEntry& append(std::unique_ptr<FilterEntry> entry);
    FilterEntry& insert(qsizetype index, std::unique_ptr<FilterEntry> entry);
    void remove(qsizetype index);
    // Moves the entry at `from` so that it ends up at index `to`.
    void move(qsizetype from, qsizetype to);
    // Index of the entry named `name` with letter case ignored, or -1.
    qsizetype FindByName(const QString& name) const;

    static const QString& SectionName(); // "FileFilter"

private:
    std::vector<std::unique_ptr<FilterEntry>> m_entries;
    bool m_complete = true;
};

// The application's one set of filter entries.
FilterSet& GlobalFilterSet();
