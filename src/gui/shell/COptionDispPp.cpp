#include "gui/shell/COptionDispPp.h"

#include "core/platform/Profile.h"
#include "core/resources/Texts.h"
#include "core/settings/CAppOptionDisp.h"
#include "gui/shell/FileBrowse.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int kDialogId = 115;

struct BitControl
{
    int id;
    const char16_t* label;
};

// The check boxes of bits 0 to 9, in bit order.
constexpr std::array<BitControl, 10> kBitControls = {{
    {1003, u"常にファイル同期情報を表示する(D)"},
    {1000, u"誤差範囲内アイコンの表示(&A)"},
    {1004, u"ファイル情報の自動サイズ合わせ(&S)"},
    {1006, u"同期除外ファイルの表示(&F)"},
    {1142, u"境界線を表示する(&G)"},
    {1051, u"プロジェクト同期状態を表示する(&P)"},
    {1158, u"項目を線でつなぐ(&L)"},
    {1095, u"最小化時はタスクトレイに入れる(&M)"},
    {1105, u"同期状態説明を表示しない(&T)"},
    {1109, u"プロジェクト表示時に全ての項目を展開する(&X)"},
}};

QLabel* RestartNote(QWidget* parent)
{
    auto* note = new QLabel(QStringLiteral("アプリケーションの再起動が必要です。"), parent);
    note->setEnabled(false);
    return note;
}

} // namespace

QString COptionDispPp::OnlineHelpAddress()
{
    return QStringLiteral("https://pairwell.corvane.jp/Help/HelpIndex.htm");
}

COptionDispPp::COptionDispPp(QWidget* parent) : CPropertyPage(kDialogId, QStringLiteral("表示"), parent)
{
    for (size_t bit = 0; bit < kBitControls.size(); ++bit) {
        auto* box = new QCheckBox(QString::fromUtf16(kBitControls[bit].label), this);
        box->setObjectName(IdName(kBitControls[bit].id));
        MarkModifiedOn(box, &QCheckBox::toggled);
        m_bits[bit] = box;
    }

    auto* fileGroup = new QGroupBox(QStringLiteral("ファイル同期状態"), this);
    auto* fileLayout = new QGridLayout(fileGroup);
    for (int bit = 0; bit <= 3; ++bit)
        fileLayout->addWidget(m_bits[bit], bit, 0, 1, 2);
    fileLayout->addWidget(m_bits[4], 4, 0);
    fileLayout->addWidget(RestartNote(fileGroup), 4, 1);

    auto* projectGroup = new QGroupBox(QStringLiteral("プロジェクト同期状態"), this);
    auto* projectLayout = new QGridLayout(projectGroup);
    projectLayout->addWidget(m_bits[5], 0, 0, 1, 2);
    projectLayout->addWidget(m_bits[6], 1, 0);
    projectLayout->addWidget(RestartNote(projectGroup), 1, 1);

    auto* helpGroup = new QGroupBox(QStringLiteral("ヘルプ"), this);
    m_online = new QRadioButton(QStringLiteral("Pairwellインターネットサイトのヘルプを表示する(&W)"), helpGroup);
    m_online->setObjectName(IdName(1072));
    m_address = new QLabel(OnlineHelpAddress(), helpGroup);
    m_address->setObjectName(IdName(1073));
    m_address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_file = new QRadioButton(QStringLiteral("ヘルプファイルを指定する(&H)"), helpGroup);
    m_file->setObjectName(IdName(1057));
    auto* nameLabel = new QLabel(QStringLiteral("ファイル名(&N)"), helpGroup);
    m_fileName = new QLineEdit(helpGroup);
    m_fileName->setObjectName(IdName(1016));
    nameLabel->setBuddy(m_fileName);
    m_browse = new QPushButton(QStringLiteral("参照(&R)..."), helpGroup);
    m_browse->setObjectName(IdName(1054));
    m_browse->setAutoDefault(false);
    auto* helpLayout = new QGridLayout(helpGroup);
    helpLayout->addWidget(m_online, 0, 0, 1, 3);
    helpLayout->addWidget(m_address, 1, 1, 1, 2);
    helpLayout->addWidget(m_file, 2, 0, 1, 3);
    helpLayout->addWidget(nameLabel, 3, 1);
    helpLayout->addWidget(m_fileName, 3, 2);
    helpLayout->addWidget(m_browse, 3, 3);
    helpLayout->setColumnMinimumWidth(0, 16);
    helpLayout->setColumnStretch(2, 1);

    MarkModifiedOn(m_fileName, &QLineEdit::textChanged);
    for (QRadioButton* radio : {m_online, m_file}) {
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (!on)
                return;
            SetModified();
            UpdateBrowseButton();
        });
    }
    connect(m_browse, &QPushButton::clicked, this, [this] { BrowseHelpFile(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileGroup);
    layout->addWidget(projectGroup);
    for (int bit = 7; bit <= 9; ++bit)
        layout->addWidget(m_bits[bit]);
    layout->addWidget(helpGroup);
    layout->addStretch(1);
}

int COptionDispPp::HelpMode() const
{
    return m_online->isChecked() ? 0 : 1;
}

void COptionDispPp::UpdateBrowseButton()
{
    // The file name stays editable in both modes; only the browse button follows the mode.
    m_browse->setEnabled(HelpMode() == 1);
}

void COptionDispPp::OnInitPage()
{
    CAppOptionDisp& options = GlobalOptionDisp();
    options.Load();
    m_onlineAddress = m_address->text();
    for (size_t bit = 0; bit < m_bits.size(); ++bit)
        m_bits[bit]->setChecked((options.Flags >> bit) & 1u);
    m_fileName->setText(options.HelpFilePath);
    if (!options.HelpFilePath.isEmpty() && options.HelpFilePath == m_onlineAddress) {
        m_online->setChecked(true);
        m_fileName->clear();
    } else {
        m_file->setChecked(true);
    }
    UpdateBrowseButton();
}

void COptionDispPp::BrowseHelpFile()
{
    FileBrowseRequest request;
    request.title = QStringLiteral("開く");
    request.filter = QStringLiteral("Pairwell Help File (*.htm)");
    request.defaultSuffix = QStringLiteral("htm");
    request.initialPath = QStringLiteral("HelpIndex.htm");
    const QString path = BrowseForFile(window(), request);
    if (path.isEmpty())
        return;
    m_fileName->setText(path);
    SetModified();
}

void COptionDispPp::OnOK()
{
    CAppOptionDisp& options = GlobalOptionDisp();
    // Bits without a check box (10-31) keep their values.
    for (size_t bit = 0; bit < m_bits.size(); ++bit) {
        const DispFlag mask = DispFlag(1u << bit);
        if (m_bits[bit]->isChecked())
            options.Flags |= mask;
        else
            options.Flags &= ~mask;
    }
    const QString help = HelpMode() == 0 ? m_onlineAddress : m_fileName->text();
    if (help != options.HelpFilePath)
        options.HelpFilePath = help;
    m_saveError = options.Save() ? QString() : ProfileWriteFailedText(CProfile::Instance());
}
