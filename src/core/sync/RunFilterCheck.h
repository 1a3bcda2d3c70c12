#pragma once

#include <QString>
#include <QStringList>

class CProject;
struct SyncRunResult;

// A run must not go without the filter entries the user chose: a file that an
// entry protects would be copied over or deleted. When the profile could not
// be read whole, an entry that a selection names may be missing from the set
// only because its line could not be read.

// The names that the nodes a run visits select (the start node, and its
// subfolder nodes when `recursive`; for the root, every project) and that the
// global set lacks while it was not read whole. Empty when nothing is missing.
QStringList UnreadFiltersOfRun(const CProject& start, bool recursive);
// The message of a run stopped for them.
QString UnreadFiltersText(const QStringList& names);
// Stops the run when UnreadFiltersOfRun finds names: the outcome becomes
// FiltersUnread, the message is kept in `result` and shown through the prompt
// unless `silent`. True when the run must stop.
bool StopRunForUnreadFilters(const CProject& start, bool recursive, bool silent, SyncRunResult& result);
