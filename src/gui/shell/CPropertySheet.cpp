#include "gui/shell/CPropertySheet.h"

#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"
#include "gui/shell/CPropertyPage.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
constexpr int kApplyId = 12321; // the framework's Apply button
} // namespace

CPropertySheet::CPropertySheet(const QString& title, QWidget* parent, int firstPage)
    : QDialog(parent), m_tabs(new QTabWidget(this)), m_firstPage(firstPage)
{
    setWindowTitle(title);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(IdName(Ctl::Ok));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(IdName(Ctl::Cancel));
    m_apply = buttons->addButton(QStringLiteral("適用(&A)"), QDialogButtonBox::ApplyRole);
    m_apply->setObjectName(IdName(kApplyId));
    m_apply->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_apply, &QPushButton::clicked, this, [this] { Apply(); });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && index < PageCount())
            Page(index)->EnsureInitialized();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(buttons);
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    m_pages.push_back(page);
    // Adding the first tab makes it current before the sheet is shown: the
    // page is initialised only once the sheet shows its first page.
    const QSignalBlocker block(m_tabs);
    m_tabs->addTab(page, page->Caption());
    connect(page, &CPropertyPage::ModifiedChanged, this, [this] { UpdateApplyButton(); });
}

int CPropertySheet::ActivePageIndex() const
{
    return m_tabs->currentIndex();
}

void CPropertySheet::SetActivePage(int index)
{
    if (index < 0 || index >= PageCount())
        return;
    m_tabs->setCurrentIndex(index);
    if (isVisible())
        Page(index)->EnsureInitialized();
}

void CPropertySheet::showEvent(QShowEvent* event)
{
    // Only the first showing chooses the page.
    if (m_firstPage >= 0) {
        const int first = m_firstPage < PageCount() ? m_firstPage : 0;
        m_firstPage = -1;
        const QSignalBlocker block(m_tabs);
        m_tabs->setCurrentIndex(first);
    }
    if (PageCount() > 0)
        Page(m_tabs->currentIndex())->EnsureInitialized();
    QDialog::showEvent(event);
}

bool CPropertySheet::ConfirmPages()
{
    for (int i = 0; i < PageCount(); ++i) {
        CPropertyPage* page = Page(i);
        if (page->IsInitialized() && !page->OnKillActive()) {
            m_tabs->setCurrentIndex(i);
            return false;
        }
    }
    for (CPropertyPage* page : m_pages) {
        if (page->IsInitialized())
            page->OnOK();
    }
    return true;
}

bool CPropertySheet::OnSheetConfirmed(bool closing)
{
    Q_UNUSED(closing)
    return true;
}

void CPropertySheet::accept()
{
    if (!ConfirmPages() || !OnSheetConfirmed(true))
        return;
    QDialog::accept();
}

bool CPropertySheet::Apply()
{
    if (!ConfirmPages() || !OnSheetConfirmed(false))
        return false;
    m_applied = true;
    for (CPropertyPage* page : m_pages)
        page->SetModified(false);
    UpdateApplyButton();
    return true;
}

void CPropertySheet::UpdateApplyButton()
{
    bool modified = false;
    for (const CPropertyPage* page : m_pages)
        modified = modified || page->IsModified();
    m_apply->setEnabled(modified);
}
