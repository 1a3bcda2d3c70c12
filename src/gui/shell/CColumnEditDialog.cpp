#include "gui/shell/CColumnEditDialog.h"

#include "core/platform/Prompt.h"
#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kIndexRole = Qt::UserRole;

} // namespace

CColumnEditDialog::CColumnEditDialog(std::span<ColumnRecord> records, QWidget* parent)
    : QDialog(parent),
      m_target(records.first(std::min<size_t>(records.size(), kMaxColumns))),
      m_records(m_target.begin(), m_target.end()),
      m_list(new QListWidget(this)),
      m_width(new QLineEdit(this))
{
    setObjectName(IdName(Res::ColumnEditDialog));
    setWindowTitle(QStringLiteral("表示項目の編集"));

    auto* listLabel = new QLabel(QStringLiteral("表示項目(&I)"), this);
    listLabel->setBuddy(m_list);
    m_list->setObjectName(IdName(Ctl::ColumnList));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* widthLabel = new QLabel(QStringLiteral("項目の表示幅(&W)"), this);
    widthLabel->setBuddy(m_width);
    m_width->setObjectName(IdName(Ctl::ColumnWidth));
    // An unsigned number of pixels.
    m_width->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_width));
    m_width->setMaximumWidth(80);

    m_up = new QPushButton(QStringLiteral("上へ(&U)"), this);
    m_up->setObjectName(IdName(Ctl::MoveUp));
    m_up->setAutoDefault(false);
    m_down = new QPushButton(QStringLiteral("下へ(&D)"), this);
    m_down->setObjectName(IdName(Ctl::MoveDown));
    m_down->setAutoDefault(false);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(IdName(Ctl::Ok));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(IdName(Ctl::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* side = new QVBoxLayout;
    side->addWidget(m_up);
    side->addWidget(m_down);
    side->addStretch(1);
    auto* grid = new QGridLayout;
    grid->addWidget(listLabel, 0, 0);
    grid->addWidget(m_list, 1, 0);
    grid->addLayout(side, 1, 1);
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(widthLabel);
    widthRow->addWidget(m_width);
    widthRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(widthRow);
    layout->addWidget(buttons);
    resize(360, 380);

    // The shown columns in their display order, then the hidden ones in table order.
    std::vector<int> sequence;
    for (int i = 0; i < int(m_records.size()); ++i)
        if (m_records[size_t(i)].shown)
            sequence.push_back(i);
    std::stable_sort(sequence.begin(), sequence.end(),
        [this](int a, int b) { return m_records[size_t(a)].order < m_records[size_t(b)].order; });
    for (int i = 0; i < int(m_records.size()); ++i)
        if (!m_records[size_t(i)].shown)
            sequence.push_back(i);
    for (int index : sequence) {
        auto* item = new QListWidgetItem(m_records[size_t(index)].title, m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(m_records[size_t(index)].shown ? Qt::Checked : Qt::Unchecked);
        item->setData(kIndexRole, index);
    }

    connect(m_list, &QListWidget::currentRowChanged, this, [this] {
        ShowSelectedWidth();
        UpdateButtons();
    });
    connect(m_width, &QLineEdit::editingFinished, this, [this] { StoreWidth(); });
    connect(m_up, &QPushButton::clicked, this, [this] { Move(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { Move(+1); });

    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    ShowSelectedWidth();
    UpdateButtons();
    m_list->setFocus();
}

int CColumnEditDialog::SelectedColumn() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item ? item->data(kIndexRole).toInt() : -1;
}

void CColumnEditDialog::ShowSelectedWidth()
{
    const int column = SelectedColumn();
    m_width->setText(column >= 0 ? QString::number(std::max(0, m_records[size_t(column)].width)) : QString());
}

bool CColumnEditDialog::StoreWidth()
{
    const int column = SelectedColumn();
    if (column < 0)
        return true;
    bool ok = false;
    const int width = m_width->text().toInt(&ok);
    if (!ok)
        return false;
    m_records[size_t(column)].width = width;
    return true;
}

void CColumnEditDialog::UpdateButtons()
{
    const int row = m_list->currentRow();
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row < m_list->count() - 1);
}

void CColumnEditDialog::Move(int step)
{
    const int row = m_list->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= m_list->count())
        return;
    // The item keeps its text, column index and check mark.
    QListWidgetItem* item = m_list->takeItem(row);
    m_list->insertItem(to, item);
    m_list->setCurrentRow(to);
    UpdateButtons();
    m_list->setFocus();
}

void CColumnEditDialog::accept()
{
    if (!StoreWidth()) {
        CurrentPrompt().ShowMessage(QStringLiteral("正の整数を入力してください。"), PromptIcon::Warning);
        m_width->setFocus();
        m_width->selectAll();
        return;
    }
    int checkedAbove = 0;
    for (int row = 0; row < m_list->count(); ++row) {
        const QListWidgetItem* item = m_list->item(row);
        ColumnRecord& record = m_records[size_t(item->data(kIndexRole).toInt())];
        record.shown = item->checkState() == Qt::Checked ? 1 : 0;
        record.order = record.shown ? checkedAbove++ : -1;
    }
    std::copy(m_records.begin(), m_records.end(), m_target.begin());
    QDialog::accept();
}
