#include "gui/model/CSyncProjectPropFolderPp.h"

#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"
#include "gui/shell/CFolderSelectDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kDialogId = 124;
} // namespace

CSyncProjectPropFolderPp::CSyncProjectPropFolderPp(QWidget* parent)
    : CPropertyPage(kDialogId, QStringLiteral("フォルダ"), parent),
      m_noSync(new QCheckBox(QStringLiteral("このフォルダを同期しない(&F)"), this)),
      m_noSubfolderSearch(new QCheckBox(QStringLiteral("このフォルダのサブフォルダを検索しない(&E)"), this))
{
    m_noSync->setObjectName(IdName(1113));
    m_noSubfolderSearch->setObjectName(IdName(1114));

    auto* rootGroup = new QGroupBox(QStringLiteral("ルートフォルダ設定"), this);
    const auto addFolderRow = [&](QGridLayout* grid, int row, const QString& label, int editId, int buttonId) {
        auto* caption = new QLabel(label, rootGroup);
        auto* edit = new QLineEdit(rootGroup);
        edit->setObjectName(IdName(editId));
        caption->setBuddy(edit);
        auto* browse = new QPushButton(QStringLiteral("..."), rootGroup);
        browse->setObjectName(IdName(buttonId));
        browse->setAutoDefault(false);
        browse->setMaximumWidth(32);
        grid->addWidget(caption, row * 2, 0, 1, 2);
        grid->addWidget(edit, row * 2 + 1, 0);
        grid->addWidget(browse, row * 2 + 1, 1);
        return std::pair{edit, browse};
    };
    auto* rootLayout = new QGridLayout(rootGroup);
    std::tie(m_project, m_browseProject)
        = addFolderRow(rootLayout, 0, QStringLiteral("プロジェクトフォルダ(&P)"), 1149, 1151);
    std::tie(m_target, m_browseTarget)
        = addFolderRow(rootLayout, 1, QStringLiteral("ターゲットフォルダ(T)"), 1150, 1152);
    rootLayout->setColumnStretch(0, 1);

    auto* note = new QLabel(QStringLiteral("通常はプロジェクトフォルダのフォルダ名が表示されますが、"
                                           "下の指定で、表示文字列が変更できます。"),
        this);
    note->setWordWrap(true);
    m_customName = new QCheckBox(QStringLiteral("表示する文字列を指定する(&N)"), this);
    m_customName->setObjectName(IdName(1148));
    auto* nameLabel = new QLabel(QStringLiteral("表示するフォルダ名(&D)"), this);
    m_displayName = new QLineEdit(this);
    m_displayName->setObjectName(IdName(1146));
    nameLabel->setBuddy(m_displayName);

    for (QCheckBox* box : {m_noSync, m_noSubfolderSearch, m_customName})
        MarkModifiedOn(box, &QCheckBox::toggled);
    for (QLineEdit* edit : {m_project, m_target, m_displayName}) {
        connect(edit, &QLineEdit::textChanged, this, [this] {
            m_values.foldersEdited = true;
            SetModified();
        });
    }
    connect(m_customName, &QCheckBox::toggled, this, [this] { UpdateNameEdit(); });
    connect(m_browseProject, &QPushButton::clicked, this, [this] { Browse(m_project, Str::SelectProjectFolder); });
    connect(m_browseTarget, &QPushButton::clicked, this, [this] { Browse(m_target, Str::SelectTargetFolder); });

    auto* nameRow = new QGridLayout;
    nameRow->addWidget(m_customName, 0, 0, 1, 2);
    nameRow->addWidget(nameLabel, 1, 0);
    nameRow->addWidget(m_displayName, 1, 1);
    nameRow->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_noSync);
    layout->addWidget(m_noSubfolderSearch);
    layout->addWidget(rootGroup);
    layout->addWidget(note);
    layout->addLayout(nameRow);
    layout->addStretch(1);
}

void CSyncProjectPropFolderPp::SetValues(const ProjectSheetValues& values, bool topLevel)
{
    m_values = values;
    m_topLevel = topLevel;
}

void CSyncProjectPropFolderPp::StoreValues(ProjectSheetValues& values) const
{
    values.noSync = m_values.noSync;
    values.noSubfolderSearch = m_values.noSubfolderSearch;
    values.projectFolder = m_values.projectFolder;
    values.targetFolder = m_values.targetFolder;
    values.customName = m_values.customName;
    values.displayName = m_values.displayName;
    values.foldersEdited = m_values.foldersEdited;
}

void CSyncProjectPropFolderPp::OnInitPage()
{
    m_noSync->setChecked(m_values.noSync);
    m_noSubfolderSearch->setChecked(m_values.noSubfolderSearch);
    m_project->setText(m_values.projectFolder);
    m_target->setText(m_values.targetFolder);
    m_customName->setChecked(m_values.customName);
    m_displayName->setText(m_values.displayName);
    // A subfolder node takes its folders and its name from its parent.
    for (QWidget* control :
        {static_cast<QWidget*>(m_project), static_cast<QWidget*>(m_browseProject), static_cast<QWidget*>(m_target),
            static_cast<QWidget*>(m_browseTarget), static_cast<QWidget*>(m_customName)})
        control->setEnabled(m_topLevel);
    UpdateNameEdit();
    m_values.foldersEdited = false;
}

void CSyncProjectPropFolderPp::UpdateNameEdit()
{
    m_displayName->setEnabled(m_topLevel && m_customName->isChecked());
}

void CSyncProjectPropFolderPp::Browse(QLineEdit* edit, int captionId)
{
    CFolderSelectDialog dialog(window(), captionId);
    dialog.SetSelectedPath(edit->text());
    if (dialog.exec() == QDialog::Accepted)
        edit->setText(dialog.SelectedPath());
}

void CSyncProjectPropFolderPp::TakeControls()
{
    m_values.noSync = m_noSync->isChecked();
    m_values.noSubfolderSearch = m_noSubfolderSearch->isChecked();
    m_values.projectFolder = m_project->text();
    m_values.targetFolder = m_target->text();
    m_values.customName = m_customName->isChecked();
    m_values.displayName = m_displayName->text();
}

bool CSyncProjectPropFolderPp::OnKillActive()
{
    TakeControls();
    return ValidateProjectSheet(m_values);
}

void CSyncProjectPropFolderPp::OnOK()
{
    TakeControls();
}
