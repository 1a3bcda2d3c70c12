#include "gui/filters/CFilterEditDlg.h"

#include "core/platform/Profile.h"
#include "core/platform/Prompt.h"
#include "core/resources/Texts.h"
#include "gui/shell/CNameInputDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int kDialogId = 156;
constexpr int kListId = 1053;
constexpr int kAddId = 1054;
constexpr int kDeleteId = 1055;
constexpr int kUpId = 1005;
constexpr int kDownId = 1006;
constexpr int kMasksId = 1058;
constexpr int kExcludeId = 1057;
constexpr int kIncludeId = 1056;

QPushButton* SideButton(const QString& text, int id, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(IdName(id));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CFilterEditDlg::CFilterEditDlg(QWidget* parent)
    : QDialog(parent),
      m_list(new QListWidget(this)),
      m_add(SideButton(QStringLiteral("追加(&A)..."), kAddId, this)),
      m_delete(SideButton(QStringLiteral("削除(&R)"), kDeleteId, this)),
      m_up(SideButton(QStringLiteral("上へ(&U)"), kUpId, this)),
      m_down(SideButton(QStringLiteral("下へ(&D)"), kDownId, this)),
      m_masks(new QLineEdit(this)),
      m_exclude(new QRadioButton(QStringLiteral("除外する(&E)"), this)),
      m_include(new QRadioButton(QStringLiteral("対象にする(&I)"), this))
{
    setObjectName(IdName(kDialogId));
    setWindowTitle(QStringLiteral("フィルタの編集"));

    // The entries as the profile holds them, not as the set in memory holds them.
    m_set.LoadFromRegistry();

    auto* listLabel = new QLabel(QStringLiteral("フィルタ(&F)"), this);
    listLabel->setBuddy(m_list);
    m_list->setObjectName(IdName(kListId));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* masksLabel = new QLabel(QStringLiteral("ファイルの種類(&K)"), this);
    masksLabel->setBuddy(m_masks);
    m_masks->setObjectName(IdName(kMasksId));
    m_exclude->setObjectName(IdName(kExcludeId));
    m_include->setObjectName(IdName(kIncludeId));
    auto* kind = new QButtonGroup(this);
    kind->addButton(m_exclude, 0);
    kind->addButton(m_include, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(IdName(1));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(IdName(2));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* side = new QVBoxLayout;
    for (QPushButton* button : {m_add, m_delete, m_up, m_down})
        side->addWidget(button);
    side->addStretch(1);
    auto* kindRow = new QHBoxLayout;
    kindRow->addWidget(m_exclude);
    kindRow->addWidget(m_include);
    kindRow->addStretch(1);
    auto* grid = new QGridLayout;
    grid->addWidget(listLabel, 0, 0);
    grid->addWidget(m_list, 1, 0);
    grid->addLayout(side, 1, 1);
    grid->addWidget(masksLabel, 2, 0, 1, 2);
    grid->addWidget(m_masks, 3, 0, 1, 2);
    grid->addLayout(kindRow, 4, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addWidget(buttons);
    resize(400, 360);

    for (qsizetype i = 0; i < m_set.size(); ++i)
        m_list->addItem(m_set.at(i).Name);
    if (!m_set.isEmpty()) {
        m_list->setCurrentRow(0);
        ShowEntry(0);
    } else {
        m_exclude->setChecked(true);
    }
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { OnSelectionChanged(row); });
    connect(m_add, &QPushButton::clicked, this, [this] { AddEntry(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { DeleteEntry(); });
    connect(m_up, &QPushButton::clicked, this, [this] { MoveEntry(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { MoveEntry(+1); });
    UpdateButtons();
}

void CFilterEditDlg::ShowEntry(int index)
{
    m_selected = index;
    if (index < 0 || index >= m_set.size()) {
        m_masks->clear();
        return;
    }
    const FilterEntry& entry = m_set.at(index);
    m_masks->setText(entry.GetMaskText());
    (entry.Exclude ? m_exclude : m_include)->setChecked(true);
}

void CFilterEditDlg::CommitShownEntry()
{
    if (m_selected < 0 || m_selected >= m_set.size())
        return;
    FilterEntry& entry = m_set.at(m_selected);
    entry.SetMasks(m_masks->text());
    entry.SetExclude(m_exclude->isChecked());
}

void CFilterEditDlg::OnSelectionChanged(int row)
{
    // The list has already moved: what the controls hold belongs to the entry shown before.
    CommitShownEntry();
    ShowEntry(row);
    UpdateButtons();
}

void CFilterEditDlg::AddEntry()
{
    for (;;) {
        CNameInputDialog input(this);
        if (input.exec() != QDialog::Accepted)
            return;
        const QString name = input.EnteredName();
        // A name is a profile value name and the key of the selections: it must not be empty.
        if (name.trimmed().isEmpty())
            continue;
        bool taken = false;
        for (int i = 0; i < m_list->count() && !taken; ++i)
            taken = m_list->item(i)->text().compare(name, Qt::CaseInsensitive) == 0;
        if (taken) {
            CurrentPrompt().ShowMessage(FilterText::DuplicateName, PromptIcon::Warning);
            continue;
        }
        CommitShownEntry();
        auto entry = std::make_unique<FilterEntry>();
        entry->ParseStoredText(name, QString());
        m_set.append(std::move(entry));
        {
            // The new entry is shown with an empty mask and the kind "除外する".
            const QSignalBlocker block(m_list);
            m_list->addItem(name);
            m_list->setCurrentRow(m_list->count() - 1);
        }
        m_selected = m_list->count() - 1;
        m_masks->clear();
        m_exclude->setChecked(true);
        UpdateButtons();
        return;
    }
}

void CFilterEditDlg::DeleteEntry()
{
    const int index = m_selected;
    if (index < 0 || index >= m_set.size())
        return;
    if (!CurrentPrompt().AskYesNo(FilterText::ConfirmDelete, PromptIcon::Question))
        return;
    m_set.remove(index);
    {
        const QSignalBlocker block(m_list);
        delete m_list->takeItem(index);
        if (m_list->count() > 0)
            m_list->setCurrentRow(std::min(index, m_list->count() - 1));
    }
    ShowEntry(m_list->count() > 0 ? m_list->currentRow() : -1);
    UpdateButtons();
}

void CFilterEditDlg::MoveEntry(int step)
{
    const int from = m_list->currentRow();
    const int to = from + step;
    if (from < 0 || to < 0 || to >= m_list->count())
        return;
    CommitShownEntry();
    {
        const QSignalBlocker block(m_list);
        QListWidgetItem* item = m_list->takeItem(from);
        m_list->insertItem(to, item);
        m_list->setCurrentRow(to);
    }
    m_set.move(from, to);
    m_list->setFocus();
    ShowEntry(to);
    UpdateButtons();
}

void CFilterEditDlg::UpdateButtons()
{
    const int count = m_list->count();
    const bool any = count > 0;
    m_delete->setEnabled(any);
    m_masks->setEnabled(any);
    m_exclude->setEnabled(any);
    m_include->setEnabled(any);
    const int row = m_list->currentRow();
    m_up->setEnabled(any && row > 0);
    m_down->setEnabled(any && row >= 0 && row < count - 1);
}

void CFilterEditDlg::accept()
{
    CommitShownEntry();
    QDialog::accept();
}

bool EditFilterEntries(QWidget* parent)
{
    CFilterEditDlg dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    FilterSet& global = GlobalFilterSet();
    global.CopyFrom(dialog.WorkingSet());
    // The entries are in force in memory all the same; the user learns they were not stored.
    if (!global.SaveToRegistry())
        CurrentPrompt().ShowMessage(ProfileWriteFailedText(CProfile::Instance()), PromptIcon::Error);
    return true;
}
