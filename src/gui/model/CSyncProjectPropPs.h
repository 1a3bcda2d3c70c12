#pragma once

#include "core/model/ProjectCreation.h"
#include "gui/shell/CPropertySheet.h"

class CLocalFilterEditPp;
class CSyncProject;
class CSyncProjectPropFolderPp;
class CSyncProjectPropOptionPp;

// The property sheet of a project or subfolder node, titled with the path of
// display names from the top-level project ("/Proj/sub"): the pages
// "フォルダ", "ローカルフィルタ" and "同期設定". The pages work on copies; the
// node changes only when the sheet is confirmed (OK or Apply) and
// ApplyProjectSheetSettings accepts the values. A refused OK keeps the sheet
// open with everything typed in it. The node is not rescanned while the sheet
// is open: the caller rescans it once the sheet is closed (NodeApplied).
class CSyncProjectPropPs : public CPropertySheet
{
    Q_OBJECT

public:
    CSyncProjectPropPs(CSyncProject& node, QWidget* parent = nullptr);

    CSyncProjectPropFolderPp& FolderPp() const { return *m_folder; }
    CLocalFilterEditPp& FilterPp() const { return *m_filter; }
    CSyncProjectPropOptionPp& OptionPp() const { return *m_option; }

    // What the pages hold now.
    ProjectSheetValues Values() const;
    // Whether the node was changed (by OK or by an Apply).
    bool NodeApplied() const { return m_nodeApplied; }
    // Whether the common settings were confirmed in the options sheet opened
    // from a page: the folder states then want a rescan.
    bool CommonSettingsEdited() const { return m_commonEdited; }

protected:
    bool OnSheetConfirmed(bool closing) override;

private:
    CSyncProject& m_node;
    CSyncProjectPropFolderPp* m_folder;
    CLocalFilterEditPp* m_filter;
    CSyncProjectPropOptionPp* m_option;
    bool m_nodeApplied = false;
    bool m_commonEdited = false;
};
