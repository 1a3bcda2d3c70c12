#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

// "フォルダの削除": deletes the project folder, the target folder or both of
// a tree node. Nothing can be chosen until "フォルダを削除する(&F)" is ticked;
// a side whose text is empty (its folder does not exist) cannot be chosen.
// Unticking the master switch disables the sides again and they then count
// as not chosen, whatever their ticks show.
class CFolderDeleteDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CFolderDeleteDlg(QWidget* parent = nullptr);

    // The existing folders' paths (empty for a side whose folder does not exist).
    void SetProjectPath(const QString& path);
    void SetTargetPath(const QString& path);
    QString ProjectPath() const;
    QString TargetPath() const;
    void SetDeleteFolders(bool on);
    bool DeleteFolders() const;
    void SetDeleteProject(bool on);
    void SetDeleteTarget(bool on);
    // Whether that side's folder is to be deleted: master switch, tick and path.
    bool DeleteProject() const;
    bool DeleteTarget() const;
    void SetRecycle(bool on);
    bool Recycle() const;

private:
    void UpdateControls();

    QCheckBox* m_master;
    QCheckBox* m_project;
    QLineEdit* m_projectText;
    QCheckBox* m_target;
    QLineEdit* m_targetText;
    QCheckBox* m_recycle;
};
