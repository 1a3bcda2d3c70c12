#include "gui/shell/COptionToolPp.h"

#include "core/platform/Profile.h"
#include "core/resources/Texts.h"
#include "core/settings/CAppOptionTool.h"
#include "gui/shell/FileBrowse.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int kDialogId = 154;
} // namespace

COptionToolPp::COptionToolPp(QWidget* parent) : CPropertyPage(kDialogId, QStringLiteral("ツール"), parent)
{
    auto* layout = new QGridLayout(this);
    const auto addRow = [&](int row, int editId, const QString& label, int buttonId, const QString& buttonText) {
        auto* caption = new QLabel(label, this);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(IdName(editId));
        caption->setBuddy(edit);
        MarkModifiedOn(edit, &QLineEdit::textChanged);
        auto* browse = new QPushButton(buttonText, this);
        browse->setObjectName(IdName(buttonId));
        browse->setAutoDefault(false);
        connect(browse, &QPushButton::clicked, this, [this, edit] { BrowseTool(edit); });
        layout->addWidget(caption, row * 2, 0, 1, 2);
        layout->addWidget(edit, row * 2 + 1, 0);
        layout->addWidget(browse, row * 2 + 1, 1);
        return edit;
    };
    m_text = addRow(0, 1026, QStringLiteral("テキスト比較ツール(&T)"), 1054, QStringLiteral("参照(&R)"));
    m_binary = addRow(1, 1027, QStringLiteral("バイナリ比較ツール(&B)"), 1025, QStringLiteral("参照(&S)"));
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(4, 1);
}

void COptionToolPp::OnInitPage()
{
    CAppOptionTool& options = GlobalOptionTool();
    options.Load();
    m_text->setText(options.PathToolCompareText);
    m_binary->setText(options.PathToolCompareBin);
}

void COptionToolPp::BrowseTool(QLineEdit* edit)
{
    FileBrowseRequest request;
    request.title = QStringLiteral("開く");
    // Programs on this system carry no extension of their own.
    request.filter = QStringLiteral("Tool (*)");
    request.initialPath = edit->text(); // the dialog opens in the tool's folder, the tool selected
    const QString path = BrowseForFile(window(), request);
    if (path.isEmpty())
        return;
    edit->setText(path);
    SetModified();
}

void COptionToolPp::OnOK()
{
    CAppOptionTool& options = GlobalOptionTool();
    if (m_text->text() != options.PathToolCompareText)
        options.PathToolCompareText = m_text->text();
    if (m_binary->text() != options.PathToolCompareBin)
        options.PathToolCompareBin = m_binary->text();
    m_saveError = options.Save() ? QString() : ProfileWriteFailedText(CProfile::Instance());
}
