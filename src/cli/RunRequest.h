#pragma once

#include "cli/RunOptions.h"
#include "core/sync/SyncDirection.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// What the command line asks of a run.
struct RunRequest
{
    SyncDirection direction = SyncDirection::Export;
    QString verb;
    QString documentPath;
    QString nodePath;
    bool filesGiven = false;
    QStringList files;
    std::optional<quint32> flags; // --flags
    std::vector<RunFlagChange> changes; // the named sync options
    std::optional<QString> log;
    bool plan = false;
    bool json = false;
    bool yes = false;
    bool quiet = false;
    bool allowMissingSource = false;
};

// Fills `request` (whose direction and verb are set) from the arguments of
// the verb. Done, or the exit code of bad usage (reported).
int ParseRequest(const QStringList& arguments, RunRequest& request);
