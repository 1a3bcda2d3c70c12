#include "gui/model/CSyncProjectPropPs.h"

#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "gui/filters/CLocalFilterEditPp.h"
#include "gui/model/CSyncProjectPropFolderPp.h"
#include "gui/model/CSyncProjectPropOptionPp.h"
#include "gui/shell/CAppOptionPs.h"

CSyncProjectPropPs::CSyncProjectPropPs(CSyncProject& node, QWidget* parent)
    : CPropertySheet(ProjectSheetTitle(node), parent),
      m_node(node),
      m_folder(new CSyncProjectPropFolderPp(this)),
      m_filter(new CLocalFilterEditPp(this)),
      m_option(new CSyncProjectPropOptionPp(this))
{
    setObjectName(QStringLiteral("CSyncProjectPropPs"));
    const ProjectSheetValues values = ReadProjectSheet(node);
    const CProject* parentNode = node.GetParent();
    const bool topLevel = parentNode && !parentNode->GetParent();
    m_folder->SetValues(values, topLevel);

    CMyDoc* doc = node.GetDocument();
    m_filter->SetChoice(values.filterUseCommon ? 0 : 1);
    m_filter->SetOwnSelection(values.ownFilters);
    m_filter->SetApplyToSubprojects(values.filterSubtree);
    if (doc)
        m_filter->SetCommonSelection(doc->GetCommonFilterSelection());
    // The options sheet opened here edits the document's common selection,
    // as the document's own options command does.
    m_filter->SetCommonEditor([this, doc](QWidget* owner, QStringList& common) {
        if (!RunAppOptionsSheetFrom(owner, doc, CAppOptionPs::GlobalFilterPage))
            return false;
        m_commonEdited = true;
        if (doc)
            common = doc->GetCommonFilterSelection();
        return true;
    });

    m_option->SetChoice(values.optionsUseCommon ? 0 : 1);
    m_option->SetOptions(values.options);
    m_option->SetCommonEditor([this, doc](QWidget* owner) {
        if (!RunAppOptionsSheetFrom(owner, doc, CAppOptionPs::SyncPage))
            return false;
        m_commonEdited = true;
        return true;
    });

    AddPage(m_folder);
    AddPage(m_filter);
    AddPage(m_option);
    resize(460, 500);
}

ProjectSheetValues CSyncProjectPropPs::Values() const
{
    ProjectSheetValues values;
    m_folder->StoreValues(values);
    values.filterUseCommon = m_filter->Choice() == 0;
    values.ownFilters = m_filter->OwnSelection();
    values.filterSubtree = m_filter->ApplyToSubprojects();
    values.optionsUseCommon = m_option->Choice() == 0;
    values.options.CopyFlagsFrom(m_option->Options());
    values.optionsSubtree = m_option->ApplyToSubprojects();
    return values;
}

bool CSyncProjectPropPs::OnSheetConfirmed(bool closing)
{
    switch (ApplyProjectSheetSettings(m_node, Values())) {
    case SheetResult::Applied:
        m_nodeApplied = true;
        // The sheet stays open after Apply: it now shows what the node holds.
        m_folder->ClearFoldersEdited();
        setWindowTitle(ProjectSheetTitle(m_node));
        return true;
    case SheetResult::ShowAgain:
        return false; // the sheet stays open with everything typed in it
    case SheetResult::Cancelled:
        if (closing)
            reject();
        return false;
    }
    return false;
}
