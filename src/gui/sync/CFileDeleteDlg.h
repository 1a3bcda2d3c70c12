#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// "ファイルの削除": which sides of the selected files to delete, and whether
// to the trash. The caller fills each side's text with the selected file's
// full path, "複数ファイル" for several files, or nothing when no selected
// file exists on that side; a side without text cannot be ticked. OK is
// enabled exactly while at least one side is ticked.
class CFileDeleteDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CFileDeleteDlg(QWidget* parent = nullptr);

    // The text shown for several files on one side.
    static QString MultipleFilesText();

    void SetProjectPath(const QString& text);
    void SetTargetPath(const QString& text);
    QString ProjectPath() const;
    QString TargetPath() const;
    // The ticks; a side without text is never ticked.
    void SetDeleteProject(bool on);
    void SetDeleteTarget(bool on);
    bool DeleteProject() const;
    bool DeleteTarget() const;
    void SetRecycle(bool on);
    bool Recycle() const;

private:
    void UpdateControls();

    QCheckBox* m_project;
    QLineEdit* m_projectText;
    QCheckBox* m_target;
    QLineEdit* m_targetText;
    QCheckBox* m_recycle;
    QPushButton* m_ok;
};
