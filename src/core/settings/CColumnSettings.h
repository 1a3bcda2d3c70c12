#pragma once

#include <QString>
#include <array>
#include <vector>

class CProfile;

// One column of the file list. The record's index in the table is the column
// id (0 to 10), which never changes.
struct ColumnRecord
{
    QString title; // header title (also listed by the column editor)
    int width = 0; // pixels
    int format = 0; // ColumnFormat bits
    int order = -1; // display position among the shown columns; -1 hidden
    int shown = 0; // 1 in the list, 0 hidden
    int titleShown = 1; // 1 the header shows the title, 0 it stays empty
};

namespace ColumnFormat {
constexpr int Left = 0x0000;
constexpr int Right = 0x0001;
constexpr int Picture = 0x0800; // the header item shows a picture
constexpr int PictureOnRight = 0x1000; // ... on the right of the title
} // namespace ColumnFormat

// The column ids of the file list.
namespace ColumnId {
constexpr int StateIcon = 0; // "同期状態アイコン"
constexpr int ExcludedIcon = 1; // "除外状態アイコン"
constexpr int Name = 2; // "ファイル名"
constexpr int Type = 3; // "種類"
constexpr int ProjectSize = 4; // "元サイズ"
constexpr int TargetSize = 5; // "先サイズ"
constexpr int ProjectDate = 6; // "元日付"
constexpr int TargetDate = 7; // "先日付"
constexpr int State = 8; // "同期状態"
constexpr int ProjectAttr = 9; // "元属性"
constexpr int TargetAttr = 10; // "先属性"
constexpr int Count = 11;
} // namespace ColumnId

// The state of one column of the list, as a capture reads it.
struct ListColumnState
{
    int id; // the column id the column shows
    int width; // pixels
    int position; // display position
};

// The file list's column table: eleven records, the sort column (a column
// index of the list, not an id and not a display position) and the sort
// direction. Kept in the profile section "FSViewColSetting": "SortCol",
// "SortDir", then per id "Width%d", "Order%d", "Display%d". Titles, formats and
// title-shown flags are fixed and never stored.
//
// The orders of the shown records are always exactly 0 to n-1. Stored values
// that break this fall back to the defaults when they are loaded, so that the
// display order built from them always covers every shown column once.
class CColumnSettings
{
public:
    static constexpr int kDefaultSortColumn = 2;
    static inline const QString kSection = QStringLiteral("FSViewColSetting");

    CColumnSettings(); // the defaults

    // Records and sort fields back to their defaults.
    void SetDefaults();
    // Reads the section, each value defaulting to the current one. A table
    // that breaks the order invariant is replaced by the defaults; a sort
    // column outside the shown columns by the default sort column.
    void Load(const CProfile& profile);
    // Writes the values in the order Load reads them.
    void Save(CProfile& profile) const;

    // Every record hidden, then each column of the list marks its record
    // shown with its width and display position. A hidden column keeps its
    // last width.
    void Capture(const std::vector<ListColumnState>& columns);

    // The ids of the shown columns in column-index order (ascending ids).
    std::vector<int> ShownIds() const;
    // For each display position, the column index shown there.
    std::vector<int> DisplayOrder() const;
    // The id of the column at `columnIndex` (-1 when there is none).
    int IdAtColumn(int columnIndex) const;
    // The column index of the column of `id` (-1 when it is hidden).
    int ColumnOf(int id) const;
    int ShownCount() const;

    // Whether the orders of the shown records are exactly 0 to n-1.
    bool IsOrderValid() const;
    static bool IsOrderValid(const ColumnRecord* records, int count);

    std::array<ColumnRecord, ColumnId::Count>& Records() { return m_records; }
    const std::array<ColumnRecord, ColumnId::Count>& Records() const { return m_records; }
    ColumnRecord& Record(int id) { return m_records[size_t(id)]; }
    const ColumnRecord& Record(int id) const { return m_records[size_t(id)]; }

    int SortColumn() const { return m_sortColumn; }
    void SetSortColumn(int columnIndex) { m_sortColumn = columnIndex; }
    int SortDirection() const { return m_sortDirection; }
    void SetSortDirection(int direction) { m_sortDirection = direction; }

    // The record of `id` with its defaults.
    static ColumnRecord DefaultRecord(int id);

private:
    std::array<ColumnRecord, ColumnId::Count> m_records;
    int m_sortColumn = kDefaultSortColumn;
    int m_sortDirection = 0;
};
