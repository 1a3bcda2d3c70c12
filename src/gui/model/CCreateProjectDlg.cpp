#include "gui/model/CCreateProjectDlg.h"

#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"
#include "gui/shell/CFolderSelectDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kDialogId = 130;
} // namespace

CCreateProjectDlg::CCreateProjectDlg(QWidget* parent)
    : QDialog(parent),
      m_project(new QLineEdit(this)),
      m_target(new QLineEdit(this)),
      m_subfolders(new QCheckBox(QStringLiteral("サブフォルダも対象(&S)"), this))
{
    setObjectName(IdName(kDialogId));
    setWindowTitle(QStringLiteral("プロジェクトの作成"));

    const auto browseButton = [this](const QString& text, int id) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(IdName(id));
        button->setAutoDefault(false);
        return button;
    };
    auto* projectLabel = new QLabel(QStringLiteral("プロジェクトフォルダ(&F)"), this);
    m_project->setObjectName(IdName(1002));
    projectLabel->setBuddy(m_project);
    QPushButton* browseProject = browseButton(QStringLiteral("参照(&R)..."), 1003);
    auto* targetLabel = new QLabel(QStringLiteral("ターゲットフォルダ(&T)"), this);
    m_target->setObjectName(IdName(1041));
    targetLabel->setBuddy(m_target);
    QPushButton* browseTarget = browseButton(QStringLiteral("参照(U)..."), 1040);
    m_subfolders->setObjectName(IdName(1005));
    m_subfolders->setChecked(true);
    connect(browseProject, &QPushButton::clicked, this, [this] { Browse(m_project, Str::SelectProjectFolder); });
    connect(browseTarget, &QPushButton::clicked, this, [this] { Browse(m_target, Str::SelectTargetFolder); });

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(IdName(Ctl::Ok));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(IdName(Ctl::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(projectLabel, 0, 0, 1, 2);
    grid->addWidget(m_project, 1, 0);
    grid->addWidget(browseProject, 1, 1);
    grid->addWidget(targetLabel, 2, 0, 1, 2);
    grid->addWidget(m_target, 3, 0);
    grid->addWidget(browseTarget, 3, 1);
    grid->addWidget(m_subfolders, 4, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(buttons);
    resize(440, sizeHint().height());
}

NewProjectValues CCreateProjectDlg::Values() const
{
    NewProjectValues values;
    values.projectFolder = m_project->text();
    values.targetFolder = m_target->text();
    values.includeSubfolders = m_subfolders->isChecked();
    return values;
}

void CCreateProjectDlg::SetValues(const NewProjectValues& values)
{
    m_project->setText(values.projectFolder);
    m_target->setText(values.targetFolder);
    m_subfolders->setChecked(values.includeSubfolders);
}

void CCreateProjectDlg::Browse(QLineEdit* edit, int captionId)
{
    CFolderSelectDialog dialog(this, captionId);
    dialog.SetSelectedPath(edit->text());
    if (dialog.exec() == QDialog::Accepted)
        edit->setText(dialog.SelectedPath());
}

void CCreateProjectDlg::accept()
{
    if (!ValidateNewProject(Values()))
        return;
    QDialog::accept();
}
