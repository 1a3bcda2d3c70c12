#include "gui/filters/CLocalFilterEditPp.h"

#include "core/filters/FilterSet.h"
#include "core/resources/Texts.h"
#include "gui/filters/CFilterEditDlg.h"
#include "gui/filters/FilterEntryList.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {
constexpr int kDialogId = 125;
} // namespace

CLocalFilterEditPp::CLocalFilterEditPp(QWidget* parent)
    : CPropertyPage(kDialogId, QStringLiteral("ローカルフィルタ"), parent),
      m_useCommon(new QRadioButton(QStringLiteral("共通設定を使用する(&G)"), this)),
      m_useOwn(new QRadioButton(QStringLiteral("固有の設定をする(&L)"), this)),
      m_editCommonButton(new QPushButton(QStringLiteral("共通設定の編集(&C)..."), this)),
      m_subtreeBox(new QCheckBox(QStringLiteral("全てのサブプロジェクトにも適用する(&R)"), this)),
      m_list(new CFilterEntryList(this))
{
    m_useCommon->setObjectName(IdName(1091));
    m_useOwn->setObjectName(IdName(1092));
    m_editCommonButton->setObjectName(IdName(1090));
    m_editCommonButton->setAutoDefault(false);
    m_subtreeBox->setObjectName(IdName(1089));
    auto* listLabel = new QLabel(QStringLiteral("フィルタ(&F)"), this);
    listLabel->setBuddy(m_list);
    auto* editEntries = new QPushButton(QStringLiteral("フィルタエントリの編集(&E)"), this);
    editEntries->setObjectName(IdName(1155));
    editEntries->setAutoDefault(false);

    for (QRadioButton* radio : {m_useCommon, m_useOwn}) {
        // Toggled, not clicked: the arrow keys move the choice too.
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (!on)
                return;
            SetModified();
            FillList();
        });
    }
    MarkModifiedOn(m_subtreeBox, &QCheckBox::toggled);
    connect(m_list, &CFilterEntryList::CheckChanged, this, [this] { SetModified(); });
    connect(m_editCommonButton, &QPushButton::clicked, this, [this] { EditCommon(); });
    connect(editEntries, &QPushButton::clicked, this, [this] {
        if (EditFilterEntries(window()))
            FillList();
    });

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_useCommon, 0, 0);
    layout->addWidget(m_editCommonButton, 0, 1);
    layout->addWidget(m_useOwn, 1, 0);
    layout->addWidget(m_subtreeBox, 2, 0, 1, 2);
    layout->addWidget(listLabel, 3, 0, 1, 2);
    layout->addWidget(m_list, 4, 0, 1, 2);
    layout->addWidget(editEntries, 5, 1);
    layout->setRowStretch(4, 1);
    layout->setColumnStretch(0, 1);
}

void CLocalFilterEditPp::OnInitPage()
{
    (m_choice == 0 ? m_useCommon : m_useOwn)->setChecked(true);
    m_subtreeBox->setChecked(m_subtree);
    FillList();
}

void CLocalFilterEditPp::FillList()
{
    m_choice = m_useOwn->isChecked() ? 1 : 0;
    const bool own = m_choice == 1;
    m_list->Fill(GlobalFilterSet(), own ? m_own : m_common);
    m_list->setEnabled(own);
    m_editCommonButton->setEnabled(!own);
}

void CLocalFilterEditPp::EditCommon()
{
    if (!m_editCommon)
        return;
    QStringList common = m_common;
    if (!m_editCommon(window(), common))
        return;
    m_common = common;
    FillList();
}

void CLocalFilterEditPp::OnOK()
{
    m_choice = m_useOwn->isChecked() ? 1 : 0;
    m_subtree = m_subtreeBox->isChecked();
    // With the common setting the own selection stays as it was.
    if (m_choice == 1)
        m_own = m_list->CheckedNames();
}
