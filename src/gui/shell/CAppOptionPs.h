#pragma once

#include "gui/shell/CPropertySheet.h"

#include <QStringList>

class CGlobalFilterEditPp;
class CMyDoc;
class COptionDispPp;
class COptionSyncPp;
class COptionToolPp;

// "オプション": the application options sheet with the pages "表示", "同期",
// "グローバルフィルタ" and "ツール". Each page reads its record when it is
// first shown and writes it on OK and on Apply; a page never shown stores
// nothing. The sheet carries the common filter selection that its global
// filter page edits.
class CAppOptionPs : public CPropertySheet
{
    Q_OBJECT

public:
    enum PageIndex { DispPage = 0, SyncPage = 1, GlobalFilterPage = 2, ToolPage = 3 };

    explicit CAppOptionPs(QWidget* parent = nullptr, int firstPage = DispPage);

    // The names of the filter entries the document enables.
    QStringList FilterSelection() const;
    void SetFilterSelection(const QStringList& names);

    COptionDispPp& DispPp() const { return *m_disp; }
    COptionSyncPp& SyncPp() const { return *m_sync; }
    CGlobalFilterEditPp& GlobalFilterPp() const { return *m_filter; }
    COptionToolPp& ToolPp() const { return *m_tool; }

protected:
    // Says once when a page could not store its record (the profile could
    // not be written); the sheet closes all the same, with the values in
    // force in memory.
    bool OnSheetConfirmed(bool closing) override;

private:
    COptionDispPp* m_disp;
    COptionSyncPp* m_sync;
    CGlobalFilterEditPp* m_filter;
    COptionToolPp* m_tool;
};

// The document's options command: the sheet on its first page with a copy of
// the document's common filter selection. When the options were stored (OK,
// or Apply and then Cancel) the common selection is replaced by the sheet's
// (a changed selection marks the document modified, as it is stored in the
// document's file), the rescan question is asked and, on OK, every view is
// told to rescan (hint 5). True when the options were stored.
bool RunAppOptionsSheet(QWidget* parent, CMyDoc& doc);

// The same sheet opened from a project's property sheet on `firstPage`. It
// edits `doc`'s common filter selection too, but asks nothing about a rescan:
// the property sheet's nodes must stay as they are while it is open, so the
// caller asks once it is closed (AskRescanAll). True when the options were stored.
bool RunAppOptionsSheetFrom(QWidget* parent, CMyDoc* doc, int firstPage);

// The rescan question; on OK every view of `doc` is told to rescan (hint 5).
void AskRescanAll(CMyDoc& doc);

namespace OptionText {
inline const QString RescanAll = QStringLiteral("全てのフォルダ同期状態を再検索します。"
                                                "ファイル数が多い場合には、時間がかかる場合があります。継続しますか？");
} // namespace OptionText
