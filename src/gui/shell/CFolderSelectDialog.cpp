#include "gui/shell/CFolderSelectDialog.h"

#include "core/platform/FileSystem.h"
#include "core/platform/Paths.h"
#include "core/platform/Prompt.h"
#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"
#include "gui/shell/CNameInputDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// A name that makes one new folder directly in the selected one.
bool IsPlainFolderName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace

CFolderSelectDialog::CFolderSelectDialog(QWidget* parent, int captionId)
    : QDialog(parent), m_model(new QFileSystemModel(this)), m_tree(new QTreeView(this)), m_pathEdit(new QLineEdit(this))
{
    setObjectName(IdName(Res::FolderSelectDialog));
    const QString caption = captionId != 0 ? LoadString(captionId) : QString();
    setWindowTitle(caption.isEmpty() ? QStringLiteral("フォルダの選択") : caption);

    // Folders only; hidden folders stay out of the tree (their path can be typed).
    m_model->setFilter(QDir::Dirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);
    m_model->setRootPath(QStringLiteral("/"));

    m_tree->setObjectName(IdName(Ctl::FolderTree));
    m_tree->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setSortingEnabled(false);
    m_model->sort(0, Qt::AscendingOrder);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex& current) { OnCurrentChanged(current); });
    // Folders are read in the background, and rows above the selection may
    // arrive late: until the user works in the tree, every folder read on
    // the way to the selection brings it back into view (after the model
    // has sorted what it read).
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString& folder) {
        if (!m_followSelection)
            return;
        const QModelIndex loaded = m_model->index(folder);
        for (QModelIndex index = m_tree->currentIndex().parent(); index.isValid(); index = index.parent()) {
            if (index == loaded) {
                QTimer::singleShot(0, this, [this] {
                    if (m_followSelection)
                        m_tree->scrollTo(m_tree->currentIndex(), QAbstractItemView::PositionAtCenter);
                });
                return;
            }
        }
    });
    m_tree->installEventFilter(this);
    m_tree->viewport()->installEventFilter(this);

    auto* treeLabel = new QLabel(QStringLiteral("フォルダ(&F)"), this);
    treeLabel->setBuddy(m_tree);
    auto* pathLabel = new QLabel(QStringLiteral("パス(&P)"), this);
    pathLabel->setBuddy(m_pathEdit);
    m_pathEdit->setObjectName(IdName(Ctl::FolderPathEdit));
    connect(m_pathEdit, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(IdName(Ctl::Ok));
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(IdName(Ctl::Cancel));
    m_create = buttons->addButton(QStringLiteral("作成(&C)..."), QDialogButtonBox::ActionRole);
    m_create->setObjectName(IdName(Ctl::CreateFolder));
    m_create->setAutoDefault(false);
    m_ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_create, &QPushButton::clicked, this, [this] { CreateSubfolder(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(treeLabel);
    layout->addWidget(m_tree, 1);
    layout->addWidget(pathLabel);
    layout->addWidget(m_pathEdit);
    layout->addWidget(buttons);
    resize(420, 460);
    UpdateButtons();
}

void CFolderSelectDialog::SetSelectedPath(const QString& path)
{
    m_selectedPath = path;
    if (m_shown)
        SelectFolder(path);
}

void CFolderSelectDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    SelectFolder(TestFolderReachable(m_selectedPath) ? m_selectedPath : QDir::homePath());
    m_tree->setFocus();
}

bool CFolderSelectDialog::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        m_followSelection = false;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void CFolderSelectDialog::SelectFolder(const QString& path)
{
    const QModelIndex index = m_model->index(path);
    if (!index.isValid()) {
        m_pathEdit->setText(path);
        return;
    }
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        m_tree->expand(parent);
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
    m_followSelection = true;
    // The current index may have been this one already.
    OnCurrentChanged(index);
}

void CFolderSelectDialog::OnCurrentChanged(const QModelIndex& current)
{
    m_pathEdit->setText(current.isValid() ? m_model->filePath(current) : QString());
    UpdateButtons();
}

void CFolderSelectDialog::UpdateButtons()
{
    const bool hasPath = !m_pathEdit->text().isEmpty();
    m_ok->setEnabled(hasPath);
    m_create->setEnabled(hasPath);
}

void CFolderSelectDialog::accept()
{
    if (m_pathEdit->text().isEmpty())
        return;
    m_selectedPath = m_pathEdit->text();
    QDialog::accept();
}

void CFolderSelectDialog::CreateSubfolder()
{
    // The user may have typed the path.
    m_selectedPath = m_pathEdit->text();
    CNameInputDialog nameDialog(this);
    if (nameDialog.exec() != QDialog::Accepted)
        return;
    const QString name = nameDialog.EnteredName();
    if (!IsPlainFolderName(name)) {
        CurrentPrompt().ShowMessage(
            QStringLiteral("「%1」はフォルダ名として使用できません。").arg(name), PromptIcon::Warning);
        return;
    }
    const QString path = JoinPath(m_selectedPath, name);
    QString error;
    if (!CreateFolder(path, &error)) {
        CurrentPrompt().ShowMessage(error, PromptIcon::Warning);
        return;
    }
    SelectFolder(path);
}
