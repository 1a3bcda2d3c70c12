#pragma once

#include "cli/CliVerb.h"
#include "core/settings/CAppOptionSync.h"
#include "core/sync/SyncDirection.h"

#include <QString>
#include <QtGlobal>
#include <vector>

class CliArgs;

// The options of export and import. Besides --flags HEX, each bit of the
// sync options that a run reads has a named option that sets it and, where
// turning it off makes sense, one that clears it ("--trash", "--no-trash");
// the three transfer modes have one each. The run starts from the node's
// sync options (or from --flags) and the named options change that: a named
// option wins over the same bit of --flags, whatever their order.

// One change a named option makes: the bits of `mask` become `value`.
struct RunFlagChange
{
    QString option;
    SyncFlags mask;
    SyncFlags value;
};

// Every option of export and import, for the parser and the help.
const CliOptions& RunVerbOptions();
CliVerbHelp RunVerbHelp(SyncDirection direction);

// The changes of the named options in `args`, in the order of the option
// table. Two that give the same bits different values ("--trash --no-trash",
// "--newer-only --missing-only") are bad usage: `error` says which, and the
// result is empty.
std::vector<RunFlagChange> NamedFlagChanges(const CliArgs& args, QString* error);
SyncFlags ApplyFlagChanges(SyncFlags flags, const std::vector<RunFlagChange>& changes);
