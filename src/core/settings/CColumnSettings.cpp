#include "core/settings/CColumnSettings.h"

#include "core/platform/Profile.h"
#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"

namespace {

struct ColumnDefault
{
    int width;
    int format;
    int titleShown;
};

constexpr std::array<ColumnDefault, ColumnId::Count> kDefaults = {{
    {16, ColumnFormat::PictureOnRight, 0}, // state picture
    {16, ColumnFormat::PictureOnRight, 0}, // excluded picture
    {128, ColumnFormat::Left, 1}, // name
    {128, ColumnFormat::Left, 1}, // type
    {64, ColumnFormat::Right, 1}, // project size
    {64, ColumnFormat::Right, 1}, // target size
    {128, ColumnFormat::Left, 1}, // project date
    {128, ColumnFormat::Left, 1}, // target date
    {64, ColumnFormat::Left, 1}, // state
    {64, ColumnFormat::Right, 1}, // project attributes
    {64, ColumnFormat::Right, 1}, // target attributes
}};

QString ColumnTitle(int id)
{
    switch (id) {
    case ColumnId::StateIcon:
        return LoadString(Str::StateIconColumn);
    case ColumnId::ExcludedIcon:
        return LoadString(Str::ExcludedIconColumn);
    case ColumnId::Name:
        return QStringLiteral("ファイル名");
    case ColumnId::Type:
        return QStringLiteral("種類");
    case ColumnId::ProjectSize:
        return QStringLiteral("元サイズ");
    case ColumnId::TargetSize:
        return QStringLiteral("先サイズ");
    case ColumnId::ProjectDate:
        return QStringLiteral("元日付");
    case ColumnId::TargetDate:
        return QStringLiteral("先日付");
    case ColumnId::State:
        return QStringLiteral("同期状態");
    case ColumnId::ProjectAttr:
        return QStringLiteral("元属性");
    case ColumnId::TargetAttr:
        return QStringLiteral("先属性");
    default:
        return {};
    }
}

QString ValueName(const char* kind, int id)
{
    return QLatin1String(kind) + QString::number(id);
}

} // namespace

ColumnRecord CColumnSettings::DefaultRecord(int id)
{
    const ColumnDefault& defaults = kDefaults[size_t(id)];
    ColumnRecord record;
    record.title = ColumnTitle(id);
    record.width = defaults.width;
    record.format = defaults.format;
    record.order = id;
    record.shown = 1;
    record.titleShown = defaults.titleShown;
    return record;
}

CColumnSettings::CColumnSettings()
{
    SetDefaults();
}

void CColumnSettings::SetDefaults()
{
    for (int id = 0; id < ColumnId::Count; ++id)
        m_records[size_t(id)] = DefaultRecord(id);
    m_sortColumn = kDefaultSortColumn;
    m_sortDirection = 0;
}

void CColumnSettings::Load(const CProfile& profile)
{
    m_sortColumn = profile.GetProfileInt(kSection, QStringLiteral("SortCol"), m_sortColumn);
    m_sortDirection = profile.GetProfileInt(kSection, QStringLiteral("SortDir"), m_sortDirection);
    for (int id = 0; id < ColumnId::Count; ++id) {
        ColumnRecord& record = m_records[size_t(id)];
        record.width = profile.GetProfileInt(kSection, ValueName("Width", id), record.width);
        record.order = profile.GetProfileInt(kSection, ValueName("Order", id), record.order);
        record.shown = profile.GetProfileInt(kSection, ValueName("Display", id), record.shown) != 0 ? 1 : 0;
        if (record.width < 0)
            record.width = kDefaults[size_t(id)].width;
    }
    // A table whose display order does not cover the shown columns exactly
    // once cannot be built; the defaults replace it.
    if (!IsOrderValid()) {
        SetDefaults();
        return;
    }
    m_sortDirection = m_sortDirection != 0 ? 1 : 0;
    const int shown = ShownCount();
    if (m_sortColumn < 0 || m_sortColumn >= shown)
        m_sortColumn = kDefaultSortColumn < shown ? kDefaultSortColumn : 0;
}

void CColumnSettings::Save(CProfile& profile) const
{
    // One replacement of the profile for all 35 values: closing the window stays quick.
    std::vector<std::pair<QString, QString>> values;
    const auto add = [&values](const QString& name, int value) { values.emplace_back(name, QString::number(value)); };
    add(QStringLiteral("SortCol"), m_sortColumn);
    add(QStringLiteral("SortDir"), m_sortDirection);
    for (int id = 0; id < ColumnId::Count; ++id) {
        const ColumnRecord& record = m_records[size_t(id)];
        add(ValueName("Width", id), record.width);
        add(ValueName("Order", id), record.order);
        add(ValueName("Display", id), record.shown);
    }
    profile.WriteProfileValues(kSection, values);
}

void CColumnSettings::Capture(const std::vector<ListColumnState>& columns)
{
    for (ColumnRecord& record : m_records) {
        record.order = -1;
        record.shown = 0;
    }
    for (const ListColumnState& column : columns) {
        if (column.id < 0 || column.id >= ColumnId::Count)
            continue;
        ColumnRecord& record = m_records[size_t(column.id)];
        record.shown = 1;
        record.width = column.width;
        record.order = column.position;
    }
}

std::vector<int> CColumnSettings::ShownIds() const
{
    std::vector<int> ids;
    for (int id = 0; id < ColumnId::Count; ++id)
        if (m_records[size_t(id)].shown)
            ids.push_back(id);
    return ids;
}

std::vector<int> CColumnSettings::DisplayOrder() const
{
    const std::vector<int> ids = ShownIds();
    std::vector<int> order(ids.size());
    if (!IsOrderValid()) {
        // Not reachable after Load or Capture; the columns then keep their index order.
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = int(i);
        return order;
    }
    for (size_t columnIndex = 0; columnIndex < ids.size(); ++columnIndex)
        order[size_t(m_records[size_t(ids[columnIndex])].order)] = int(columnIndex);
    return order;
}

int CColumnSettings::IdAtColumn(int columnIndex) const
{
    const std::vector<int> ids = ShownIds();
    return columnIndex >= 0 && columnIndex < int(ids.size()) ? ids[size_t(columnIndex)] : -1;
}

int CColumnSettings::ColumnOf(int id) const
{
    if (id < 0 || id >= ColumnId::Count || !m_records[size_t(id)].shown)
        return -1;
    int columnIndex = 0;
    for (int other = 0; other < id; ++other)
        if (m_records[size_t(other)].shown)
            ++columnIndex;
    return columnIndex;
}

int CColumnSettings::ShownCount() const
{
    return int(ShownIds().size());
}

bool CColumnSettings::IsOrderValid() const
{
    return IsOrderValid(m_records.data(), int(m_records.size()));
}

bool CColumnSettings::IsOrderValid(const ColumnRecord* records, int count)
{
    int shown = 0;
    for (int i = 0; i < count; ++i)
        if (records[i].shown)
            ++shown;
    std::vector<bool> taken(size_t(shown), false);
    for (int i = 0; i < count; ++i) {
        if (!records[i].shown)
            continue;
        const int order = records[i].order;
        if (order < 0 || order >= shown || taken[size_t(order)])
            return false;
        taken[size_t(order)] = true;
    }
    return true;
}
