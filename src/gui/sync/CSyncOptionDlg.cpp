#include "gui/sync/CSyncOptionDlg.h"

#include "core/resources/Texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr int kDialogId = 152;
constexpr int kTransferList = 1138;
constexpr int kDeleteFiles = 1010;
constexpr int kEmptyFolders = 1069;
constexpr int kDeleteFolders = 1070;
constexpr int kSubfolders = 1007;
constexpr int kRecycle = 1075;
constexpr int kNoConfirmation = 1023;
constexpr int kCheckFolders = 1141;
constexpr int kPreview = 1030;
constexpr int kSync = 1;
constexpr int kCancel = 2;

QCheckBox* MakeCheckBox(const QString& text, int id, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(IdName(id));
    return box;
}

// Sets or clears `bit` in `flags` only when the box says otherwise.
void StoreBit(SyncFlags& flags, SyncFlag bit, bool on)
{
    if (((flags & bit) != 0) != on)
        flags ^= bit;
}

} // namespace

CSyncOptionDlg::CSyncOptionDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(IdName(kDialogId));
    setWindowTitle(QStringLiteral("同期オプション"));

    m_transfer = new QComboBox(this);
    m_transfer->setObjectName(IdName(kTransferList));
    m_transfer->addItems({QStringLiteral("更新/追加されたファイルを転送する"),
        QStringLiteral("更新されたファイルのみを転送する"), QStringLiteral("追加されたファイルのみを転送する")});
    auto* transferLabel = new QLabel(QStringLiteral("ファイルの転送(&X)"), this);
    transferLabel->setBuddy(m_transfer);
    m_deleteFiles = MakeCheckBox(QStringLiteral("削除されたファイルは転送先も削除する(&D)"), kDeleteFiles, this);
    m_emptyFolders = MakeCheckBox(QStringLiteral("ファイルの存在しないフォルダも転送する(&E)"), kEmptyFolders, this);
    m_deleteFolders = MakeCheckBox(QStringLiteral("削除されたフォルダは転送先も削除する(&G)"), kDeleteFolders, this);
    m_subfolders = MakeCheckBox(QStringLiteral("サブフォルダも同期する(&R)"), kSubfolders, this);
    m_recycle = MakeCheckBox(QStringLiteral("ごみ箱に移動する(&T)"), kRecycle, this);
    m_noConfirmation = MakeCheckBox(QStringLiteral("問い合わせをしない(&Q)"), kNoConfirmation, this);
    m_checkFolders = MakeCheckBox(QStringLiteral("ディレクトリの存在を確認する(&C)"), kCheckFolders, this);

    auto* files = new QGroupBox(QStringLiteral("ファイル"), this);
    auto* transferRow = new QHBoxLayout;
    transferRow->addWidget(transferLabel);
    transferRow->addWidget(m_transfer, 1);
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->addLayout(transferRow);
    filesLayout->addWidget(m_deleteFiles);

    auto* folders = new QGroupBox(QStringLiteral("フォルダ"), this);
    auto* foldersLayout = new QVBoxLayout(folders);
    foldersLayout->addWidget(m_emptyFolders);
    foldersLayout->addWidget(m_deleteFolders);
    foldersLayout->addWidget(m_subfolders);

    m_preview = new QPushButton(QStringLiteral("プレビュー(&P)..."), this);
    m_preview->setObjectName(IdName(kPreview));
    m_preview->setDefault(true);
    // Present but never shown: it accepts the dialog without the preview.
    m_sync = new QPushButton(QStringLiteral("同期(&F)"), this);
    m_sync->setObjectName(IdName(kSync));
    m_sync->setAutoDefault(false);
    m_sync->hide();
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(IdName(kCancel));
    cancel->setAutoDefault(false);
    connect(m_preview, &QPushButton::clicked, this, [this] {
        m_previewChosen = true;
        accept();
    });
    connect(m_sync, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_preview);
    buttons->addWidget(m_sync);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(files);
    layout->addWidget(folders);
    layout->addWidget(m_recycle);
    layout->addWidget(m_noConfirmation);
    layout->addWidget(m_checkFolders);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CSyncOptionDlg::showEvent(QShowEvent* event)
{
    // Every opening starts from the working copy as it is now (a window
    // restored by the window system keeps what the user has changed).
    if (!event->spontaneous()) {
        m_previewChosen = false;
        LoadControls();
        if (!m_title.isEmpty())
            setWindowTitle(m_title);
        m_preview->setFocus();
    }
    QDialog::showEvent(event);
}

void CSyncOptionDlg::LoadControls()
{
    const SyncFlags flags = m_options.Flags;
    // TransferMode 3 has no entry: the list then shows none and keeps it.
    const int mode = m_options.GetTransferMode();
    m_transfer->setCurrentIndex(mode < m_transfer->count() ? mode : -1);
    m_deleteFiles->setChecked(flags & SyncFlag::DeleteFiles);
    m_emptyFolders->setChecked(flags & SyncFlag::CopyEmptyFolders);
    m_deleteFolders->setChecked(flags & SyncFlag::DeleteFolders);
    m_subfolders->setChecked(m_allProjects || (flags & SyncFlag::Recursive));
    m_subfolders->setEnabled(!m_allProjects);
    m_recycle->setChecked(flags & SyncFlag::RecycleBin);
    m_noConfirmation->setChecked(flags & SyncFlag::NoConfirmation);
    m_checkFolders->setChecked(flags & SyncFlag::CheckFolders);
}

void CSyncOptionDlg::StoreControls()
{
    SyncFlags& flags = m_options.Flags;
    StoreBit(flags, SyncFlag::DeleteFiles, m_deleteFiles->isChecked());
    StoreBit(flags, SyncFlag::CopyEmptyFolders, m_emptyFolders->isChecked());
    StoreBit(flags, SyncFlag::DeleteFolders, m_deleteFolders->isChecked());
    StoreBit(flags, SyncFlag::Recursive, m_subfolders->isChecked());
    StoreBit(flags, SyncFlag::RecycleBin, m_recycle->isChecked());
    StoreBit(flags, SyncFlag::NoConfirmation, m_noConfirmation->isChecked());
    StoreBit(flags, SyncFlag::CheckFolders, m_checkFolders->isChecked());
    if (m_transfer->currentIndex() >= 0)
        m_options.SetTransferMode(m_transfer->currentIndex());
}

void CSyncOptionDlg::accept()
{
    StoreControls();
    QDialog::accept();
}
