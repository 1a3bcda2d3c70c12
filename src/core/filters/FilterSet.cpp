#include "core/filters/FilterSet.h"

#include "core/filters/MaskMatch.h"
#include "core/platform/Profile.h"

#include <algorithm>

const QString& FilterSet::SectionName()
{
    static const QString name = QStringLiteral("FileFilter");
    return name;
}

void FilterSet::RemoveAll()
{
    // An empty set lacks nothing that it was meant to hold.
    m_entries.clear();
    m_complete = true;
}

void FilterSet::CopyFrom(const FilterSet& other)
{
    if (&other == this)
        return;
    RemoveAll();
    m_complete = other.m_complete;
    m_entries.reserve(other.m_entries.size());
    for (const auto& entry : other.m_entries) {
        auto copy = std::make_unique<FilterEntry>();
        copy->CopyFrom(*entry);
        m_entries.push_back(std::move(copy));
    }
}

bool FilterSet::IsExcluded(const QString& name, const QStringList& selection) const
{
    if (selection.isEmpty())
        return false;
    QString folded; // folded once, on the first selected entry
    for (const auto& entry : m_entries) {
        // Selections name entries exactly: "Temp" does not enable "temp".
        if (!selection.contains(entry->Name, Qt::CaseSensitive))
            continue;
        if (folded.isNull())
            folded = FoldForMatch(name);
        if (entry->ExcludesFolded(folded))
            return true;
    }
    return false;
}

bool FilterSet::LoadFromRegistry()
{
    return LoadFromRegistry(CProfile::Instance());
}

bool FilterSet::LoadFromRegistry(CProfile& profile)
{
    RemoveAll();
    const CProfile::Values values = profile.GetSectionValues(SectionName(), &m_complete);
    m_entries.reserve(values.size());
    for (const auto& [name, text] : values) {
        auto entry = std::make_unique<FilterEntry>();
        entry->ParseStoredText(name, text);
        m_entries.push_back(std::move(entry));
    }
    return m_complete;
}

bool FilterSet::SaveToRegistry() const
{
    return SaveToRegistry(CProfile::Instance());
}

bool FilterSet::SaveToRegistry(CProfile& profile) const
{
    // The section becomes the set, in its order, with one replacement of the
    // file: a save that fails leaves the old entries, never half of them.
    CProfile::Values values;
    values.reserve(m_entries.size());
    for (const auto& entry : m_entries)
        values.emplace_back(entry->Name, entry->GetStoredText());
    return profile.ReplaceSectionValues(SectionName(), values);
}

bool FilterSet::DeleteRegistryValues() const
{
    return DeleteRegistryValues(CProfile::Instance());
}

bool FilterSet::DeleteRegistryValues(CProfile& profile) const
{
    return profile.ReplaceSectionValues(SectionName(), {});
}

bool FilterSet::ContainsExactly(const QString& name) const
{
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const auto& entry) { return entry->Name == name; });
}

FilterEntry& FilterSet::append(std::unique_ptr<FilterEntry> entry)
{
    m_entries.push_back(std::move(entry));
    return *m_entries.back();
}

FilterEntry& FilterSet::insert(qsizetype index, std::unique_ptr<FilterEntry> entry)
{
    Q_ASSERT(index >= 0 && index <= size());
    return **m_entries.insert(m_entries.begin() + index, std::move(entry));
}

void FilterSet::remove(qsizetype index)
{
    Q_ASSERT(index >= 0 && index < size());
    m_entries.erase(m_entries.begin() + index);
}

void FilterSet::move(qsizetype from, qsizetype to)
{
    Q_ASSERT(from >= 0 && from < size() && to >= 0 && to < size());
    if (from == to)
        return;
    auto entry = std::move(m_entries[static_cast<size_t>(from)]);
    m_entries.erase(m_entries.begin() + from);
    m_entries.insert(m_entries.begin() + to, std::move(entry));
}

qsizetype FilterSet::FindByName(const QString& name) const
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
        [&](const auto& entry) { return entry->Name.compare(name, Qt::CaseInsensitive) == 0; });
    return found == m_entries.end() ? -1 : found - m_entries.begin();
}

FilterSet& GlobalFilterSet()
{
    static FilterSet set;
    return set;
}
