#include "gui/filters/CGlobalFilterEditPp.h"

#include "core/filters/FilterSet.h"
#include "core/platform/Profile.h"
#include "core/resources/Texts.h"
#include "core/settings/CAppOptionSync.h"
#include "gui/filters/CFilterEditDlg.h"
#include "gui/filters/FilterEntryList.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr int kDialogId = 159;
} // namespace

CGlobalFilterEditPp::CGlobalFilterEditPp(QWidget* parent)
    : CPropertyPage(kDialogId, QStringLiteral("グローバルフィルタ"), parent), m_list(new CFilterEntryList(this))
{
    auto* note = new QLabel(QStringLiteral("　作成したフィルタエントリは Pairwell の共通設定として保存されます。"
                                           "各フィルタエントリの有効無効の選択は、 snc ファイルに保存されます。"),
        this);
    note->setWordWrap(true);
    auto* listLabel = new QLabel(QStringLiteral("フィルタ(&F)"), this);
    listLabel->setBuddy(m_list);
    auto* edit = new QPushButton(QStringLiteral("フィルタエントリの編集(&E)"), this);
    edit->setObjectName(IdName(1155));
    edit->setAutoDefault(false);
    m_folders = new QCheckBox(QStringLiteral("フォルダにフィルタを適用する(&D)"), this);
    m_folders->setObjectName(IdName(1144));

    connect(m_list, &CFilterEntryList::CheckChanged, this, [this] { SetModified(); });
    MarkModifiedOn(m_folders, &QCheckBox::toggled);
    connect(edit, &QPushButton::clicked, this, [this] {
        // Checks not yet confirmed give way to the selection last confirmed.
        if (EditFilterEntries(window()))
            FillList();
    });

    auto* layout = new QGridLayout(this);
    layout->addWidget(note, 0, 0, 1, 2);
    layout->addWidget(listLabel, 1, 0, 1, 2);
    layout->addWidget(m_list, 2, 0, 1, 2);
    layout->addWidget(m_folders, 3, 0);
    layout->addWidget(edit, 3, 1);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(0, 1);
}

void CGlobalFilterEditPp::FillList()
{
    m_list->Fill(GlobalFilterSet(), m_selection);
}

void CGlobalFilterEditPp::OnInitPage()
{
    FillList();
    CAppOptionSync& options = GlobalOptionSync();
    options.Load();
    m_folders->setChecked(options.Flags & SyncFlag::FilterFolders);
}

void CGlobalFilterEditPp::OnOK()
{
    m_selection = m_list->CheckedNames();
    CAppOptionSync& options = GlobalOptionSync();
    if (m_folders->isChecked() != bool(options.Flags & SyncFlag::FilterFolders)) {
        if (m_folders->isChecked())
            options.Flags |= SyncFlag::FilterFolders;
        else
            options.Flags &= ~SyncFlag::FilterFolders;
    }
    m_saveError = options.Save() ? QString() : ProfileWriteFailedText(CProfile::Instance());
}
