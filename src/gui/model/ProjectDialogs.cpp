#include "gui/model/ProjectDialogs.h"

#include "core/model/CAppProject.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/Paths.h"
#include "gui/model/CCreateProjectDlg.h"
#include "gui/model/CSyncProjectPropPs.h"
#include "gui/shell/CAppOptionPs.h"
#include "gui/shell/CWaitCursor.h"

#include <optional>

#include <QTimer>

CSyncProject* RunCreateProjectDialog(QWidget* parent, CAppProject& root)
{
    NewProjectValues values;
    for (;;) {
        CCreateProjectDlg dialog(parent);
        dialog.SetValues(values);
        if (dialog.exec() != QDialog::Accepted)
            return nullptr;
        values = dialog.Values();
        // The scan shows the wait cursor; the message about a taken name does not.
        std::optional<CWaitCursor> wait;
        if (!root.FindChild(GetLastComponent(values.projectFolder)))
            wait.emplace();
        if (CSyncProject* created = CreateProject(root, values))
            return created;
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
    if (commonEdited && doc) {
        // A rescan of everything destroys and rebuilds nodes and tree items:
        // it waits until the caller has finished with this node.
        QTimer::singleShot(0, doc, [doc] { AskRescanAll(*doc); });
    }
    return applied;
}
