#include "gui/shell/CAppOptionPs.h"

#include "core/model/CMyDoc.h"
#include "core/platform/Prompt.h"
#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"
#include "gui/filters/CGlobalFilterEditPp.h"
#include "gui/shell/COptionDispPp.h"
#include "gui/shell/COptionSyncPp.h"
#include "gui/shell/COptionToolPp.h"

CAppOptionPs::CAppOptionPs(QWidget* parent, int firstPage)
    : CPropertySheet(LoadString(Str::OptionsCaption), parent, firstPage),
      m_disp(new COptionDispPp(this)),
      m_sync(new COptionSyncPp(this)),
      m_filter(new CGlobalFilterEditPp(this)),
      m_tool(new COptionToolPp(this))
{
    setObjectName(QStringLiteral("CAppOptionPs"));
    AddPage(m_disp);
    AddPage(m_sync);
    AddPage(m_filter);
    AddPage(m_tool);
    resize(480, 520);
}

QStringList CAppOptionPs::FilterSelection() const
{
    return m_filter->Selection();
}

void CAppOptionPs::SetFilterSelection(const QStringList& names)
{
    m_filter->SetSelection(names);
}

bool CAppOptionPs::OnSheetConfirmed(bool closing)
{
    Q_UNUSED(closing)
    for (const QString* error :
        {&m_disp->SaveError(), &m_sync->SaveError(), &m_filter->SaveError(), &m_tool->SaveError()}) {
        if (!error->isEmpty()) {
            CurrentPrompt().ShowMessage(*error, PromptIcon::Error);
            break;
        }
    }
    return true;
}

namespace {

// Runs the sheet; true when the pages stored their records (OK, or an Apply
// before Cancel). The common selection then takes the sheet's.
bool RunSheet(QWidget* parent, CMyDoc* doc, int firstPage)
{
    CAppOptionPs sheet(parent, firstPage);
    if (doc)
        sheet.SetFilterSelection(doc->GetCommonFilterSelection());
    const bool accepted = sheet.exec() == QDialog::Accepted;
    if (!accepted && !sheet.WasApplied())
        return false;
    // The selection is stored in the document's file: a changed one makes
    // closing the document ask whether to save it.
    if (doc && sheet.FilterSelection() != doc->GetCommonFilterSelection()) {
        doc->SetCommonFilterSelection(sheet.FilterSelection());
        doc->SetModifiedFlag(true);
    }
    return true;
}

} // namespace

void AskRescanAll(CMyDoc& doc)
{
    if (CurrentPrompt().AskOkCancel(OptionText::RescanAll, PromptIcon::Question))
        Q_EMIT doc.UpdateAllViews(UpdateHint::RescanAll, nullptr);
}

bool RunAppOptionsSheet(QWidget* parent, CMyDoc& doc)
{
    if (!RunSheet(parent, &doc, CAppOptionPs::DispPage))
        return false;
    AskRescanAll(doc);
    return true;
}

bool RunAppOptionsSheetFrom(QWidget* parent, CMyDoc* doc, int firstPage)
{
    return RunSheet(parent, doc, firstPage);
}
