#include "cli/CliDocument.h"

#include "cli/CliVerb.h"
#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/platform/FileName.h"
#include "core/platform/Paths.h"
#include "core/settings/CAppOptionSync.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

void LoadSettingsForRescan()
{
    GlobalOptionSync().Load();
    GlobalFilterSet().LoadFromRegistry();
}

QString AbsolutePath(const QString& path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return path.isEmpty() ? path : JoinPath(path, QString());
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd)
        return path;
    const QString folder = DecodeFileName(QByteArray(cwd));
    std::free(cwd);
    return JoinPath(folder, path);
}

bool OpenDocumentOrReport(CMyDoc& doc, const QString& path)
{
    // The document reports through the current prompt, which prints on stderr.
    return doc.OnOpenDocument(path);
}

bool OpenDocumentForChange(CMyDoc& doc, const QString& path)
{
    return doc.LockFile(path) && doc.OnOpenDocument(path);
}

bool LockDocumentOrReport(CMyDoc& doc, const QString& path)
{
    return doc.LockFile(path);
}

bool SaveDocumentOrReport(CMyDoc& doc, const QString& path)
{
    return doc.OnSaveDocument(path);
}
