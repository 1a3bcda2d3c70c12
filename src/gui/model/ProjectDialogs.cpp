#include "gui/model/ProjectDialogs.h"

#include "core/model/CAppProject.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/ProjectCreation.h"
#include "gui/model/CCreateProjectDlg.h"
#include "gui/model/CSyncProjectPropPs.h"
#include "gui/shell/CAppOptionPs.h"

#include <memory>

#include <QTimer>

CSyncProject* RunCreateProjectDialog(QWidget* parent, CMyDoc& doc)
{
    NewProjectValues values;
    for (;;) {
        CCreateProjectDlg dialog(parent);
        dialog.SetValues(values);
        if (dialog.exec() != QDialog::Accepted)
            return nullptr;
        values = dialog.Values();
        if (std::unique_ptr<CSyncProject> created = NewProject(doc.GetRoot(), values))
            return doc.BeginAddProject(std::move(created));
        // The folder's name is taken (the message was shown): again, with the entries kept.
    }
}

bool EditProjectProperties(QWidget* parent, CSyncProject& node)
{
    CMyDoc* doc = node.GetDocument();
    bool applied = false;
    bool commonEdited = false;
    {
        CSyncProjectPropPs sheet(node, parent);
        const bool accepted = sheet.exec() == QDialog::Accepted;
        applied = accepted || sheet.NodeApplied();
        commonEdited = sheet.CommonSettingsEdited();
    }
    // The node's subtree is rescanned once the sheet no longer shows it.
    if (applied && doc)
        doc->BeginRescan(node);
    else if (applied)
        node.Refresh(true);
    if (commonEdited && doc) {
        // A rescan of everything destroys and rebuilds nodes and tree items:
        // it waits until the caller has finished with this node.
        QTimer::singleShot(0, doc, [doc] { AskRescanAll(*doc); });
    }
    return applied;
}
