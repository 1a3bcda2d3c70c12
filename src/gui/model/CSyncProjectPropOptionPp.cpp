#include "gui/model/CSyncProjectPropOptionPp.h"

#include "core/resources/Texts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
constexpr int kDialogId = 126;
} // namespace

CSyncProjectPropOptionPp::CSyncProjectPropOptionPp(QWidget* parent)
    : CPropertyPage(kDialogId, QStringLiteral("同期設定"), parent),
      m_useCommon(new QRadioButton(QStringLiteral("共通設定を使用する(&G)"), this)),
      m_useOwn(new QRadioButton(QStringLiteral("固有の設定をする(&L)"), this)),
      m_editCommonButton(new QPushButton(QStringLiteral("共通設定の編集(&C)..."), this)),
      m_subtreeBox(new QCheckBox(QStringLiteral("全てのサブプロジェクトにも適用する(&S)"), this))
{
    m_useCommon->setObjectName(IdName(1091));
    m_useOwn->setObjectName(IdName(1092));
    m_editCommonButton->setObjectName(IdName(1090));
    m_editCommonButton->setAutoDefault(false);
    m_subtreeBox->setObjectName(IdName(1089));
    auto* choice = new QButtonGroup(this);
    choice->addButton(m_useCommon, 0);
    choice->addButton(m_useOwn, 1);

    auto* transferGroup = new QGroupBox(QStringLiteral("ファイルの転送"), this);
    auto* transferLayout = new QVBoxLayout(transferGroup);
    auto* modes = new QButtonGroup(this);
    const std::pair<int, QString> modeTexts[]
        = {{1011, QStringLiteral("全てのファイル(&A)")}, {1012, QStringLiteral("同期先に存在するファイルのみ(&U)")},
            {1013, QStringLiteral("同期先に存在しないファイルのみ(&P)")}};
    for (const auto& [id, text] : modeTexts) {
        auto* radio = new QRadioButton(text, transferGroup);
        radio->setObjectName(IdName(id));
        modes->addButton(radio, static_cast<int>(m_modes.size()));
        MarkModifiedOn(radio, &QRadioButton::clicked);
        transferLayout->addWidget(radio);
        m_modes.push_back(radio);
    }

    const std::tuple<SyncFlag, int, QString> bitTexts[] = {
        {SyncFlag::DeleteFiles, 1010, QStringLiteral("同期元に存在しないファイルを削除する(&D)")},
        {SyncFlag::CopyEmptyFolders, 1069, QStringLiteral("ファイルの存在しないフォルダを同期先にコピーする(&E)")},
        {SyncFlag::DeleteFolders, 1070, QStringLiteral("同期元に存在しないフォルダを削除する(&G)")},
        {SyncFlag::Recursive, 1007, QStringLiteral("サブフォルダも対象にする(&R)")},
    };
    for (const auto& [mask, id, text] : bitTexts) {
        auto* box = new QCheckBox(text, this);
        box->setObjectName(IdName(id));
        MarkModifiedOn(box, &QCheckBox::clicked);
        m_bits.push_back({mask, box});
    }

    for (QRadioButton* radio : {m_useCommon, m_useOwn}) {
        // Toggled, not clicked: the arrow keys move the choice too.
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (!on)
                return;
            SetModified();
            ShowOptions();
        });
    }
    MarkModifiedOn(m_subtreeBox, &QCheckBox::toggled);
    connect(m_editCommonButton, &QPushButton::clicked, this, [this] {
        if (m_editCommon && m_editCommon(window()))
            ShowOptions(); // the new global values, in common mode
    });

    auto* top = new QGridLayout;
    top->addWidget(m_useCommon, 0, 0);
    top->addWidget(m_editCommonButton, 0, 1);
    top->addWidget(m_useOwn, 1, 0);
    top->addWidget(m_subtreeBox, 2, 0, 1, 2);
    top->setColumnStretch(0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(transferGroup);
    for (const BitBox& bit : m_bits)
        layout->addWidget(bit.box);
    layout->addStretch(1);
}

void CSyncProjectPropOptionPp::OnInitPage()
{
    (m_choice == 1 ? m_useOwn : m_useCommon)->setChecked(true);
    m_subtreeBox->setChecked(false);
    ShowOptions();
}

void CSyncProjectPropOptionPp::ShowOptions()
{
    m_choice = m_useOwn->isChecked() ? 1 : 0;
    const bool own = m_choice == 1;
    const SyncFlags flags = own ? m_options.Flags : GlobalOptionSync().Flags;
    const int mode = TransferMode::Of(flags);
    // TransferMode 3 has no button: none is checked, and the mode is kept.
    for (size_t i = 0; i < m_modes.size(); ++i) {
        QRadioButton* radio = m_modes[i];
        if (static_cast<int>(i) == mode) {
            radio->setChecked(true);
        } else if (radio->isChecked()) {
            radio->group()->setExclusive(false);
            radio->setChecked(false);
            radio->group()->setExclusive(true);
        }
        radio->setEnabled(own);
    }
    for (const BitBox& bit : m_bits) {
        bit.box->setChecked(flags & bit.mask);
        bit.box->setEnabled(own);
    }
    m_editCommonButton->setEnabled(!own);
}

void CSyncProjectPropOptionPp::OnOK()
{
    m_choice = m_useOwn->isChecked() ? 1 : 0;
    m_subtree = m_subtreeBox->isChecked();
    if (m_choice != 1)
        return; // in common mode the working record stays as it was
    for (size_t i = 0; i < m_modes.size(); ++i) {
        if (m_modes[i]->isChecked())
            m_options.SetTransferMode(static_cast<int>(i));
    }
    // Bits 6-8 and every other bit without a control keep their values.
    for (const BitBox& bit : m_bits) {
        if (bit.box->isChecked())
            m_options.Flags |= bit.mask;
        else
            m_options.Flags &= ~bit.mask;
    }
}
