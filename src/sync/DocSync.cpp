// The document's synchronisation commands: each is one CSyncRun with the
// preview list and progress display that the window installed.

#include "model/CMyDoc.h"
#include "sync/CSyncRun.h"

bool CMyDoc::Synchronize(CProject* node, const CAppOptionSync& options, SyncDirection direction)
{
    CSyncRun run(*this);
    const bool executed = run.Synchronize(node, options, direction);
    CSyncRun::SetLastResult(run.Result());
    return executed;
}

bool CMyDoc::SynchronizeFiles(
    CSyncProject* node, const QStringList& names, const CAppOptionSync& options, SyncDirection direction)
{
    CSyncRun run(*this);
    const bool executed = run.SynchronizeFiles(node, names, options, direction);
    CSyncRun::SetLastResult(run.Result());
    return executed;
}
