#pragma once

#include "core/model/ProjectCreation.h"
#include "gui/shell/CPropertyPage.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

// "フォルダ": a node's switches, and for a top-level project its two folders
// and its display name. Typing in a folder or the display name sets the
// folders-edited flag, which makes OK check the folders.
class CSyncProjectPropFolderPp : public CPropertyPage
{
    Q_OBJECT

public:
    explicit CSyncProjectPropFolderPp(QWidget* parent = nullptr);

    // The folder-page part of `values`; `topLevel`: the node is a project
    // (its parent is the root), whose folders and name may change.
    void SetValues(const ProjectSheetValues& values, bool topLevel);
    // Writes the folder-page part into `values`.
    void StoreValues(ProjectSheetValues& values) const;
    bool FoldersEdited() const { return m_values.foldersEdited; }
    // After the sheet was applied: what the page shows is what the node has.
    void ClearFoldersEdited() { m_values.foldersEdited = false; }

    bool OnKillActive() override;
    void OnOK() override;

protected:
    void OnInitPage() override;

private:
    void TakeControls();
    void UpdateNameEdit();
    void Browse(QLineEdit* edit, int captionId);

    ProjectSheetValues m_values; // only the folder page's fields are used
    bool m_topLevel = false;

    QCheckBox* m_noSync;
    QCheckBox* m_noSubfolderSearch;
    QLineEdit* m_project;
    QPushButton* m_browseProject;
    QLineEdit* m_target;
    QPushButton* m_browseTarget;
    QCheckBox* m_customName;
    QLineEdit* m_displayName;
};
