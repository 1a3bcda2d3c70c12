#pragma once

#include "core/settings/CAppOptionSync.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

// "同期オプション": the options of one export or import. The caller sets the
// title, the all-projects flag and the working copy, then shows the dialog;
// "プレビュー(&P)..." (the default button) and the hidden "同期(&F)" both
// accept it, the first also choosing the preview list. Accepting writes back
// only the bits whose control changed them; bits that no control shows stay
// as they were. The dialog may be shown again with the same working copy.
class CSyncOptionDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CSyncOptionDlg(QWidget* parent = nullptr);

    void SetTitle(const QString& title) { m_title = title; }
    // For the root: the subfolder box is shown ticked and cannot be changed.
    void SetAllProjects(bool allProjects) { m_allProjects = allProjects; }
    void SetOptions(const CAppOptionSync& options) { m_options = options; }
    const CAppOptionSync& Options() const { return m_options; }
    // Whether the dialog was left with "プレビュー(&P)...".
    bool PreviewChosen() const { return m_previewChosen; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LoadControls();
    void StoreControls();

    QComboBox* m_transfer;
    QCheckBox* m_deleteFiles;
    QCheckBox* m_emptyFolders;
    QCheckBox* m_deleteFolders;
    QCheckBox* m_subfolders;
    QCheckBox* m_recycle;
    QCheckBox* m_noConfirmation;
    QCheckBox* m_checkFolders;
    QPushButton* m_preview;
    QPushButton* m_sync;

    QString m_title;
    bool m_allProjects = false;
    bool m_previewChosen = false;
    CAppOptionSync m_options;
};
