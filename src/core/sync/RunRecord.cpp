#include "core/sync/RunRecord.h"

#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/WholeFile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <algorithm>

namespace RunRecordText {

QString NotSaved(const QString& error)
{
    return QStringLiteral("実行記録を保存できませんでした。この同期は元に戻せません。(%1)").arg(error);
}

QString Damaged(const QString& path, const QString& why)
{
    return QStringLiteral("実行記録 %1 が壊れているため、読み込めません。(%2)").arg(path, why);
}

QString NotFound(const QString& id)
{
    return QStringLiteral("実行記録 %1 が見つかりません。").arg(id);
}

} // namespace RunRecordText

namespace {

constexpr int kFormat = 1;

const char* KindName(EntryKind kind)
{
    switch (kind) {
    case EntryKind::File:
        return "file";
    case EntryKind::Folder:
        return "folder";
    case EntryKind::Link:
        return "link";
    case EntryKind::Other:
        return "other";
    case EntryKind::Missing:
        break;
    }
    return "missing";
}

EntryKind KindOf(const QString& name)
{
    for (EntryKind kind : {EntryKind::File, EntryKind::Folder, EntryKind::Link, EntryKind::Other}) {
        if (name == QLatin1String(KindName(kind)))
            return kind;
    }
    return EntryKind::Missing;
}

QJsonValue OrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonObject ActionToJson(const RunAction& action)
{
    QJsonObject json;
    const bool copy = action.type == RunAction::Type::Copy;
    json[QStringLiteral("action")] = copy ? QStringLiteral("copy") : QStringLiteral("delete");
    if (copy)
        json[QStringLiteral("source")] = action.source;
    json[QStringLiteral("path")] = action.path;
    json[QStringLiteral("folder")] = action.folder;
    json[QStringLiteral("done")] = action.done;
    if (copy)
        json[QStringLiteral("replaced")] = action.replaced;
    if (!copy || action.replaced) {
        json[copy ? QStringLiteral("replacedTrash") : QStringLiteral("trash")] = OrNull(action.trashedAs);
        json[QStringLiteral("goneForGood")] = action.GoneForGood();
    }
    json[QStringLiteral("kind")] = QLatin1String(KindName(action.stamp.kind));
    // Strings: a JSON number loses nanoseconds beyond 2^53.
    json[QStringLiteral("size")] = QString::number(action.stamp.size);
    json[QStringLiteral("modified")] = QString::number(action.stamp.modified);
    return json;
}

bool ReadNumber(const QJsonObject& json, const QString& key, qint64* value)
{
    bool ok = false;
    *value = json.value(key).toString().toLongLong(&ok);
    return ok;
}

bool ActionFromJson(const QJsonObject& json, RunAction* action)
{
    const QString type = json.value(QStringLiteral("action")).toString();
    if (type != QLatin1String("copy") && type != QLatin1String("delete"))
        return false;
    const bool copy = type == QLatin1String("copy");
    action->type = copy ? RunAction::Type::Copy : RunAction::Type::Delete;
    action->path = json.value(QStringLiteral("path")).toString();
    action->source = json.value(QStringLiteral("source")).toString();
    action->folder = json.value(QStringLiteral("folder")).toBool();
    action->done = json.value(QStringLiteral("done")).toBool();
    action->replaced = json.value(QStringLiteral("replaced")).toBool();
    action->trashedAs = json.value(copy ? QStringLiteral("replacedTrash") : QStringLiteral("trash")).toString();
    action->stamp.kind = KindOf(json.value(QStringLiteral("kind")).toString());
    return !action->path.isEmpty() && (!copy || !action->source.isEmpty())
        && ReadNumber(json, QStringLiteral("size"), &action->stamp.size)
        && ReadNumber(json, QStringLiteral("modified"), &action->stamp.modified);
}

QString RecordPath(const QString& folder, const QString& id)
{
    return folder + QLatin1Char('/') + id + QStringLiteral(".json");
}

// The ids of the records in the folder, oldest first.
QStringList RecordIds(const QString& folder)
{
    QStringList names;
    QString error;
    if (folder.isEmpty() || !ListFolderEntries(folder, &names, &error))
        return {};
    QStringList ids;
    for (const QString& name : names) {
        if (name.endsWith(QStringLiteral(".json")) && !name.startsWith(QLatin1Char('.')))
            ids << name.chopped(5);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

QString NewId(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz-"))
        + QString::number(QRandomGenerator::system()->generate() & 0xFFFFF, 16).rightJustified(5, QLatin1Char('0'));
}

} // namespace

int RunRecord::Count(RunAction::Type type) const
{
    return int(std::count_if(actions.begin(), actions.end(), [type](const RunAction& a) { return a.type == type; }));
}

QJsonObject RunRecord::ToJson() const
{
    QJsonObject json;
    json[QStringLiteral("format")] = kFormat;
    json[QStringLiteral("id")] = id;
    json[QStringLiteral("document")] = document;
    json[QStringLiteral("node")] = node;
    json[QStringLiteral("direction")] = direction;
    if (!undoes.isEmpty())
        json[QStringLiteral("undoes")] = undoes;
    json[QStringLiteral("time")] = time.toUTC().toString(Qt::ISODateWithMs);
    json[QStringLiteral("log")] = logPath;
    json[QStringLiteral("roots")] = QJsonArray::fromStringList(roots);
    QJsonArray list;
    for (const RunAction& action : actions)
        list.append(ActionToJson(action));
    json[QStringLiteral("actions")] = list;
    return json;
}

bool RunRecord::FromJson(const QJsonObject& json, RunRecord* record, QString* error)
{
    const auto fail = [error](const QString& why) {
        *error = why;
        return false;
    };
    if (json.value(QStringLiteral("format")).toInt() != kFormat)
        return fail(QStringLiteral("format"));
    record->id = json.value(QStringLiteral("id")).toString();
    record->document = json.value(QStringLiteral("document")).toString();
    record->node = json.value(QStringLiteral("node")).toString();
    record->direction = json.value(QStringLiteral("direction")).toString();
    record->undoes = json.value(QStringLiteral("undoes")).toString();
    record->time = QDateTime::fromString(json.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
    record->logPath = json.value(QStringLiteral("log")).toString();
    record->roots.clear();
    for (const QJsonValue& root : json.value(QStringLiteral("roots")).toArray())
        record->roots << root.toString();
    if (record->id.isEmpty() || !record->time.isValid() || !json.value(QStringLiteral("actions")).isArray())
        return fail(QStringLiteral("id, time, actions"));
    record->actions.clear();
    for (const QJsonValue& value : json.value(QStringLiteral("actions")).toArray()) {
        RunAction action;
        if (!ActionFromJson(value.toObject(), &action))
            return fail(QStringLiteral("actions[%1]").arg(record->actions.size()));
        record->actions.push_back(action);
    }
    return true;
}

namespace RunRecords {

QString Folder()
{
    QByteArray state = qgetenv("XDG_STATE_HOME");
    if (!state.startsWith('/')) {
        const QByteArray home = qgetenv("HOME");
        if (!home.startsWith('/'))
            return {};
        state = home + "/.local/state";
    }
    return DecodeFileName(state + "/pairwell/runs");
}

bool Save(RunRecord& record, QString* error)
{
    const QString folder = Folder();
    if (folder.isEmpty()) {
        *error = QStringLiteral("$HOME");
        return false;
    }
    if (!CreateFolderPath(folder, error))
        return false;
    // The id tells when the record was made, whatever clock the run used.
    record.id = NewId(QDateTime::currentDateTimeUtc());
    const QByteArray data = QJsonDocument(record.ToJson()).toJson(QJsonDocument::Indented);
    if (!ReplaceFileAtomically(RecordPath(folder, record.id), data, error))
        return false;
    Prune();
    return true;
}

bool Load(const QString& id, RunRecord* record, QString* error)
{
    // An id names a file of the folder, nothing else.
    if (id.isEmpty() || id.contains(QLatin1Char('/')) || id.startsWith(QLatin1Char('.'))) {
        *error = RunRecordText::NotFound(id);
        return false;
    }
    const QString path = RecordPath(Folder(), id);
    QByteArray data;
    QString readError;
    const FileReadResult read = ReadRegularFile(path, &data);
    if (read.failure == FileReadFailure::NotFound) {
        *error = RunRecordText::NotFound(id);
        return false;
    }
    if (!read.Ok()) {
        *error = RunRecordText::Damaged(path, SystemErrorText(read.errnoValue));
        return false;
    }
    QJsonParseError parse;
    const QJsonDocument json = QJsonDocument::fromJson(data, &parse);
    if (!json.isObject()) {
        *error = RunRecordText::Damaged(path, parse.errorString());
        return false;
    }
    if (!RunRecord::FromJson(json.object(), record, &readError)) {
        *error = RunRecordText::Damaged(path, readError);
        return false;
    }
    return true;
}

std::vector<RunRecord> ForDocument(const QString& document, QStringList* damaged)
{
    std::vector<RunRecord> records;
    const QStringList ids = RecordIds(Folder());
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        RunRecord record;
        QString error;
        if (!Load(*it, &record, &error)) {
            if (damaged)
                *damaged << error;
            continue;
        }
        if (record.document == document)
            records.push_back(record);
    }
    return records;
}

void Prune(int keep, int maxAgeDays)
{
    const QString folder = Folder();
    const QStringList ids = RecordIds(folder);
    const QString oldest
        = QDateTime::currentDateTimeUtc().addDays(-maxAgeDays).toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (i < ids.size() - keep || ids.at(i) < oldest) {
            QString ignored;
            DeleteForGood(RecordPath(folder, ids.at(i)), &ignored);
        }
    }
}

} // namespace RunRecords
