#include "gui/shell/CPropertyPage.h"

#include "core/resources/Texts.h"

CPropertyPage::CPropertyPage(int dialogId, const QString& caption, QWidget* parent)
    : QWidget(parent), m_caption(caption)
{
    setObjectName(IdName(dialogId));
}

void CPropertyPage::EnsureInitialized()
{
    if (m_initialized)
        return;
    m_initialized = true;
    OnInitPage();
    // Filling the controls is no change of the user's.
    SetModified(false);
}

void CPropertyPage::SetModified(bool modified)
{
    // Changes made while the controls are filled for the first time do not count.
    if (!m_initialized)
        return;
    if (m_modified == modified)
        return;
    m_modified = modified;
    Q_EMIT ModifiedChanged(modified);
}
