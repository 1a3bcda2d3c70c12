#pragma once

#include "core/model/ProjectCreation.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

// "プロジェクトの作成": the project folder, the target folder (may be empty)
// and whether subfolders are included. OK checks the folders (and offers to
// create a missing target folder); a refused OK keeps the dialog open.
class CCreateProjectDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CCreateProjectDlg(QWidget* parent = nullptr);

    // The entries: set before the dialog is shown, read after OK.
    NewProjectValues Values() const;
    void SetValues(const NewProjectValues& values);

    void accept() override;

private:
    void Browse(QLineEdit* edit, int captionId);

    QLineEdit* m_project;
    QLineEdit* m_target;
    QCheckBox* m_subfolders;
};
