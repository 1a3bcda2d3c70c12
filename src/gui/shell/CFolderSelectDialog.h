#pragma once

#include <QDialog>

class QFileSystemModel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTreeView;

// "フォルダの選択": a tree of the file system's folders from "/" down, the
// path of the selected folder in an editable field, and "作成(&C)..." to
// create a subfolder of it. OK and "作成(&C)..." are enabled only while the
// path is not empty. The dialog opens on the path given with
// SetSelectedPath when that is a folder, otherwise on the home folder.
class CFolderSelectDialog : public QDialog
{
    Q_OBJECT

public:
    // A `captionId` other than 0 names the string that replaces the caption
    // (Str::SelectProjectFolder, Str::SelectTargetFolder).
    explicit CFolderSelectDialog(QWidget* parent = nullptr, int captionId = 0);

    // The path chosen, taken from the path field when the dialog is left with OK.
    const QString& SelectedPath() const { return m_selectedPath; }
    // The folder to open on.
    void SetSelectedPath(const QString& path);

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SelectFolder(const QString& path);
    void OnCurrentChanged(const QModelIndex& current);
    void UpdateButtons();
    void CreateSubfolder();

    QFileSystemModel* m_model;
    QTreeView* m_tree;
    QLineEdit* m_pathEdit;
    QPushButton* m_ok;
    QPushButton* m_create;
    QString m_selectedPath;
    bool m_shown = false;
    bool m_followSelection = false; // keep the selection in view until the user works in the tree
};
