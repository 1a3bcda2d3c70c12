#include "gui/shell/COptionSyncPp.h"

#include "core/platform/Profile.h"
#include "core/resources/Texts.h"
#include "core/settings/CAppOptionSync.h"
#include "gui/shell/FileBrowse.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kDialogId = 116;
} // namespace

COptionSyncPp::COptionSyncPp(QWidget* parent) : CPropertyPage(kDialogId, QStringLiteral("同期"), parent)
{
    const auto addBit = [this](SyncFlag mask, int id, const QString& label) {
        auto* box = new QCheckBox(label, this);
        box->setObjectName(IdName(id));
        MarkModifiedOn(box, &QCheckBox::toggled);
        m_bits.push_back({mask, box});
        return box;
    };

    auto* transferLabel = new QLabel(QStringLiteral("ファイルの転送(&X)"), this);
    m_transfer = new QComboBox(this);
    m_transfer->setObjectName(IdName(1138));
    m_transfer->addItems({QStringLiteral("更新/追加されたファイルを転送する"),
        QStringLiteral("更新されたファイルのみを転送する"), QStringLiteral("追加されたファイルのみを転送する")});
    transferLabel->setBuddy(m_transfer);
    MarkModifiedOn(m_transfer, &QComboBox::currentIndexChanged);

    QCheckBox* deleteFiles
        = addBit(SyncFlag::DeleteFiles, 1010, QStringLiteral("削除されたファイルは転送先も削除する(&D)"));
    QCheckBox* emptyFolders
        = addBit(SyncFlag::CopyEmptyFolders, 1069, QStringLiteral("ファイルの存在しないフォルダも転送する(&E)"));
    QCheckBox* deleteFolders
        = addBit(SyncFlag::DeleteFolders, 1070, QStringLiteral("削除されたフォルダは転送先も削除する(&G)"));
    QCheckBox* recursive = addBit(SyncFlag::Recursive, 1007, QStringLiteral("サブフォルダも同期する(&R)"));

    auto* runGroup = new QGroupBox(QStringLiteral("実行時"), this);
    QCheckBox* recycle = addBit(SyncFlag::RecycleBin, 1075, QStringLiteral("ごみ箱に移動する(&T)"));
    QCheckBox* noConfirm = addBit(SyncFlag::NoConfirmation, 1023, QStringLiteral("問い合わせをしない(&Q)"));
    QCheckBox* checkFolders = addBit(SyncFlag::CheckFolders, 1141, QStringLiteral("ディレクトリの存在を確認する(&C)"));
    // A value of its own, not a bit of the flags.
    m_trashReplaced = new QCheckBox(QStringLiteral("上書きされるファイルもごみ箱に移動する"), this);
    m_trashReplaced->setObjectName(QStringLiteral("trashReplaced"));
    MarkModifiedOn(m_trashReplaced, &QCheckBox::toggled);
    auto* runLayout = new QVBoxLayout(runGroup);
    for (QCheckBox* box : {recycle, m_trashReplaced, noConfirm, checkFolders}) {
        box->setParent(runGroup);
        runLayout->addWidget(box);
    }

    // Present, as the stored bits are kept through them, but not shown.
    addBit(SyncFlag::SkipHiddenFolders, 1140, QStringLiteral("隠しフォルダを検索しない(&F)"))->hide();
    addBit(SyncFlag::SkipHiddenFiles, 1139, QStringLiteral("隠しファイルを検索しない(&H)"))->hide();

    auto* logLabel = new QLabel(QStringLiteral("ログファイル名(&L)"), this);
    m_logFile = new QLineEdit(this);
    m_logFile->setObjectName(IdName(1108));
    logLabel->setBuddy(m_logFile);
    MarkModifiedOn(m_logFile, &QLineEdit::textChanged);
    auto* browse = new QPushButton(QStringLiteral("参照(&F)..."), this);
    browse->setObjectName(IdName(1054));
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, [this] { BrowseLogFile(); });

    auto* transferRow = new QHBoxLayout;
    transferRow->addWidget(transferLabel);
    transferRow->addWidget(m_transfer, 1);
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(logLabel);
    logRow->addWidget(m_logFile, 1);
    logRow->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(transferRow);
    for (QCheckBox* box : {deleteFiles, emptyFolders, deleteFolders, recursive})
        layout->addWidget(box);
    layout->addWidget(runGroup);
    layout->addLayout(logRow);
    layout->addStretch(1);
}

void COptionSyncPp::OnInitPage()
{
    CAppOptionSync& options = GlobalOptionSync();
    options.Load();
    for (const BitBox& bit : m_bits)
        bit.box->setChecked(options.Flags & bit.mask);
    // TransferMode 3 has no entry: the list then shows none, and the mode is kept.
    const int mode = options.GetTransferMode();
    m_transfer->setCurrentIndex(mode < m_transfer->count() ? mode : -1);
    m_logFile->setText(options.LogFilePath);
    m_trashReplaced->setChecked(options.TrashReplaced);
}

void COptionSyncPp::BrowseLogFile()
{
    FileBrowseRequest request;
    request.title = QStringLiteral("開く");
    request.filter = QStringLiteral("Logfile (*.log)");
    request.defaultSuffix = QStringLiteral("log");
    request.initialPath = m_logFile->text();
    request.mayNotExist = true;
    const QString path = BrowseForFile(window(), request);
    if (path.isEmpty())
        return;
    m_logFile->setText(path);
    SetModified();
}

void COptionSyncPp::OnOK()
{
    CAppOptionSync& options = GlobalOptionSync();
    // Bits 9 and 12-31 have no control here and keep their values.
    for (const BitBox& bit : m_bits) {
        if (bit.box->isChecked())
            options.Flags |= bit.mask;
        else
            options.Flags &= ~bit.mask;
    }
    if (m_transfer->currentIndex() >= 0)
        options.SetTransferMode(m_transfer->currentIndex());
    if (m_logFile->text() != options.LogFilePath)
        options.LogFilePath = m_logFile->text();
    options.TrashReplaced = m_trashReplaced->isChecked();
    m_saveError = options.Save() ? QString() : ProfileWriteFailedText(CProfile::Instance());
}
