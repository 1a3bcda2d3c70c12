#pragma once

#include "core/platform/EntryStamp.h"
#include "core/platform/WholeFile.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

// One action of an executed run, as the run record keeps it.
struct RunAction
{
    enum class Type { Delete, Copy };
    Type type = Type::Copy;
    QString path; // what was deleted, or the copy's destination
    QString source; // the copy's source (a trash item for what an undo put back)
    bool folder = false; // the entry is a folder
    bool done = false; // carried out (else it failed or was not reached)
    // A deletion: where the item went in the trash. A copy that replaced a
    // file: where the replaced file went. Empty: gone for good.
    QString trashedAs;
    bool replaced = false; // a copy put its file in place over another one
    // What the run left at `path` (a copy), or what it took away (a deletion
    // to the trash): kind, size and time.
    EntryStamp stamp;

    bool GoneForGood() const { return done && trashedAs.isEmpty() && (type == Type::Delete || replaced); }
};

// What an executed run changed, kept so that it can be undone: one JSON
// file per run in $XDG_STATE_HOME/pairwell/runs (default ~/.local/state/...),
// written whole or not at all.
struct RunRecord
{
    QString id; // given when saved: the UTC time and a random part, in an order that sorts by time
    QString document; // the document's path
    QString node; // the node's display path, empty for the whole document
    QString direction; // "export", "import" or "undo"
    QString undoes; // for an undo: the id of the run it undid
    QDateTime time; // when the run started (UTC)
    QString logPath;
    QStringList roots; // the root folders of the pairs: nothing below them is followed
    std::vector<RunAction> actions;

    int Count(RunAction::Type type) const;
    // Writes the record as compact JSON, piece by piece; false when a write failed.
    bool WriteJson(const FileChunkWriter& write) const;
    // False with `error` for anything that is not a complete record.
    static bool FromJson(const QJsonObject& json, RunRecord* record, QString* error);
};

namespace RunRecords {
// The folder of the records; empty when there is no home folder.
QString Folder();
// Gives the record its id and writes it (a new file, renamed into place when
// complete); then removes records older than 30 days and beyond the newest 100.
bool Save(RunRecord& record, QString* error);
bool Load(const QString& id, RunRecord* record, QString* error);
// The records of `document`, newest first; a record that cannot be read
// gives one text in `damaged` (it is never taken as empty).
std::vector<RunRecord> ForDocument(const QString& document, QStringList* damaged);
// Removes records older than `maxAgeDays` days and beyond the newest `keep`.
void Prune(int keep = 100, int maxAgeDays = 30);
} // namespace RunRecords

// The texts about run records.
namespace RunRecordText {
QString NotSaved(const QString& error);
QString Damaged(const QString& path, const QString& why);
QString NotFound(const QString& id);
} // namespace RunRecordText
