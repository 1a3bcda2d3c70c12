#include "gui/sync/CFileDeleteDlg.h"

#include "gui/sync/DeleteDialogLayout.h"

#include "core/resources/Texts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kDialogId = 135;
constexpr int kProjectBox = 1033;
constexpr int kProjectText = 1016;
constexpr int kTargetBox = 1034;
constexpr int kTargetText = 1018;
constexpr int kRecycleBox = 1035;

} // namespace

QString CFileDeleteDlg::MultipleFilesText()
{
    return QStringLiteral("複数ファイル");
}

CFileDeleteDlg::CFileDeleteDlg(QWidget* parent)
    : QDialog(parent),
      m_project(new QCheckBox(QStringLiteral("プロジェクトフォルダのファイルを削除する(&P)"), this)),
      m_projectText(MakeDeletePathText(kProjectText, this)),
      m_target(new QCheckBox(QStringLiteral("ターゲットフォルダのファイルを削除する(&T)"), this)),
      m_targetText(MakeDeletePathText(kTargetText, this)),
      m_recycle(new QCheckBox(QStringLiteral("ごみ箱に移動する(&M)"), this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(IdName(kDialogId));
    setWindowTitle(QStringLiteral("ファイルの削除"));
    m_project->setObjectName(IdName(kProjectBox));
    m_target->setObjectName(IdName(kTargetBox));
    m_recycle->setObjectName(IdName(kRecycleBox));
    m_recycle->setChecked(true);
    connect(m_project, &QCheckBox::toggled, this, &CFileDeleteDlg::UpdateControls);
    connect(m_target, &QCheckBox::toggled, this, &CFileDeleteDlg::UpdateControls);
    LayOutDeleteDialog(*this, QStringLiteral("削除するファイルの選択"),
        {m_project, m_projectText, m_target, m_targetText, m_recycle}, *m_ok);
    UpdateControls();
}

void CFileDeleteDlg::SetProjectPath(const QString& text)
{
    m_projectText->setText(text);
    UpdateControls();
}

void CFileDeleteDlg::SetTargetPath(const QString& text)
{
    m_targetText->setText(text);
    UpdateControls();
}

QString CFileDeleteDlg::ProjectPath() const
{
    return m_projectText->text();
}

QString CFileDeleteDlg::TargetPath() const
{
    return m_targetText->text();
}

void CFileDeleteDlg::SetDeleteProject(bool on)
{
    m_project->setChecked(on);
    UpdateControls();
}

void CFileDeleteDlg::SetDeleteTarget(bool on)
{
    m_target->setChecked(on);
    UpdateControls();
}

bool CFileDeleteDlg::DeleteProject() const
{
    return m_project->isChecked() && !ProjectPath().isEmpty();
}

bool CFileDeleteDlg::DeleteTarget() const
{
    return m_target->isChecked() && !TargetPath().isEmpty();
}

void CFileDeleteDlg::SetRecycle(bool on)
{
    m_recycle->setChecked(on);
}

bool CFileDeleteDlg::Recycle() const
{
    return m_recycle->isChecked();
}

void CFileDeleteDlg::UpdateControls()
{
    // A side with nothing to delete can be neither ticked nor changed.
    for (auto [box, text] : {std::pair{m_project, m_projectText}, std::pair{m_target, m_targetText}}) {
        const bool usable = !text->text().isEmpty();
        if (!usable && box->isChecked()) {
            const QSignalBlocker block(box);
            box->setChecked(false);
        }
        box->setEnabled(usable);
    }
    m_ok->setEnabled(DeleteProject() || DeleteTarget());
}
