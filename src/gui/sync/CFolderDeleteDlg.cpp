#include "gui/sync/CFolderDeleteDlg.h"

#include "gui/sync/DeleteDialogLayout.h"

#include "core/resources/Texts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kDialogId = 140;
constexpr int kMasterBox = 1068;
constexpr int kProjectBox = 1062;
constexpr int kProjectText = 1016;
constexpr int kTargetBox = 1063;
constexpr int kTargetText = 1018;
constexpr int kRecycleBox = 1066;

} // namespace

CFolderDeleteDlg::CFolderDeleteDlg(QWidget* parent)
    : QDialog(parent),
      m_master(new QCheckBox(QStringLiteral("フォルダを削除する(&F)"), this)),
      m_project(new QCheckBox(QStringLiteral("プロジェクトフォルダを削除する(&J)"), this)),
      m_projectText(MakeDeletePathText(kProjectText, this)),
      m_target(new QCheckBox(QStringLiteral("ターゲットフォルダを削除する(&T)"), this)),
      m_targetText(MakeDeletePathText(kTargetText, this)),
      m_recycle(new QCheckBox(QStringLiteral("ごみ箱へ移動する(&U)"), this))
{
    setObjectName(IdName(kDialogId));
    setWindowTitle(QStringLiteral("フォルダの削除"));
    m_master->setObjectName(IdName(kMasterBox));
    m_project->setObjectName(IdName(kProjectBox));
    m_target->setObjectName(IdName(kTargetBox));
    m_recycle->setObjectName(IdName(kRecycleBox));
    m_recycle->setChecked(true);
    connect(m_master, &QCheckBox::toggled, this, &CFolderDeleteDlg::UpdateControls);
    connect(m_project, &QCheckBox::clicked, this, &CFolderDeleteDlg::UpdateControls);
    connect(m_target, &QCheckBox::clicked, this, &CFolderDeleteDlg::UpdateControls);
    LayOutDeleteDialog(*this, QStringLiteral("フォルダ"),
        {m_master, m_project, m_projectText, m_target, m_targetText, m_recycle},
        *new QPushButton(QStringLiteral("OK"), this));
    UpdateControls();
}

void CFolderDeleteDlg::SetProjectPath(const QString& path)
{
    m_projectText->setText(path);
    UpdateControls();
}

void CFolderDeleteDlg::SetTargetPath(const QString& path)
{
    m_targetText->setText(path);
    UpdateControls();
}

QString CFolderDeleteDlg::ProjectPath() const
{
    return m_projectText->text();
}

QString CFolderDeleteDlg::TargetPath() const
{
    return m_targetText->text();
}

void CFolderDeleteDlg::SetDeleteFolders(bool on)
{
    m_master->setChecked(on);
    UpdateControls();
}

bool CFolderDeleteDlg::DeleteFolders() const
{
    return m_master->isChecked();
}

void CFolderDeleteDlg::SetDeleteProject(bool on)
{
    m_project->setChecked(on);
}

void CFolderDeleteDlg::SetDeleteTarget(bool on)
{
    m_target->setChecked(on);
}

bool CFolderDeleteDlg::DeleteProject() const
{
    return m_master->isChecked() && m_project->isChecked() && !ProjectPath().isEmpty();
}

bool CFolderDeleteDlg::DeleteTarget() const
{
    return m_master->isChecked() && m_target->isChecked() && !TargetPath().isEmpty();
}

void CFolderDeleteDlg::SetRecycle(bool on)
{
    m_recycle->setChecked(on);
}

bool CFolderDeleteDlg::Recycle() const
{
    return m_recycle->isChecked();
}

void CFolderDeleteDlg::UpdateControls()
{
    // The ticks stay as they are; only what can be changed follows the master switch.
    const bool on = m_master->isChecked();
    m_project->setEnabled(on && !ProjectPath().isEmpty());
    m_target->setEnabled(on && !TargetPath().isEmpty());
    m_recycle->setEnabled(on);
}
