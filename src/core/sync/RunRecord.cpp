#include "core/sync/RunRecord.h"

#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Paths.h"
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

// The record is written as compact JSON piece by piece (a run of many
// actions is never whole in memory), in the form Qt's own writer gives: keys
// in sorted order, strings escaped alike (a name's undecodable bytes, kept
// as unpaired surrogates, as \u escapes), so that any JSON reader takes it.
class CJsonStream
{
public:
    explicit CJsonStream(const FileChunkWriter& write) : m_write(write) { m_buffer.reserve(kChunk + 4096); }

    void Raw(const char* text) { m_buffer.append(text); }
    void Key(const char* key)
    {
        if (m_needComma)
            m_buffer.append(',');
        m_buffer.append('"').append(key).append("\":");
        m_needComma = true;
    }
    void String(const QString& text);
    void StringOrNull(const QString& text) { text.isEmpty() ? Raw("null") : String(text); }
    void Bool(bool value) { Raw(value ? "true" : "false"); }
    void Number(qint64 value) { m_buffer.append(QByteArray::number(value)); }
    void Open(char bracket)
    {
        if (m_needComma && bracket == '{' && m_inArray)
            m_buffer.append(',');
        m_buffer.append(bracket);
        m_needComma = false;
    }
    void Close(char bracket)
    {
        m_buffer.append(bracket);
        m_needComma = true;
    }
    void SetInArray(bool inArray) { m_inArray = inArray; }
    // Hands the buffer over once it is large; false after a failed write.
    bool Flush(bool all = false)
    {
        if (m_failed || (!all && m_buffer.size() < kChunk))
            return !m_failed;
        m_failed = !m_write(m_buffer);
        m_buffer.clear();
        return !m_failed;
    }

private:
    static constexpr qsizetype kChunk = 256 * 1024;
    const FileChunkWriter& m_write;
    QByteArray m_buffer;
    bool m_needComma = false;
    bool m_inArray = false;
    bool m_failed = false;
};

void AppendEscape(QByteArray& out, char16_t unit)
{
    static const char hex[] = "0123456789abcdef";
    out.append("\\u");
    for (int shift = 12; shift >= 0; shift -= 4)
        out.append(hex[(unit >> shift) & 0xF]);
}

void AppendAscii(QByteArray& out, char16_t unit)
{
    switch (unit) {
    case u'"':
        out.append("\\\"");
        return;
    case u'\\':
        out.append("\\\\");
        return;
    case u'\b':
        out.append("\\b");
        return;
    case u'\f':
        out.append("\\f");
        return;
    case u'\n':
        out.append("\\n");
        return;
    case u'\r':
        out.append("\\r");
        return;
    case u'\t':
        out.append("\\t");
        return;
    default:
        break;
    }
    if (unit < 0x20)
        AppendEscape(out, unit);
    else
        out.append(char(unit));
}

void AppendUtf8(QByteArray& out, char32_t code)
{
    if (code < 0x800) {
        out.append(char(0xC0 | (code >> 6))).append(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.append(char(0xE0 | (code >> 12))).append(char(0x80 | ((code >> 6) & 0x3F)));
        out.append(char(0x80 | (code & 0x3F)));
    } else {
        out.append(char(0xF0 | (code >> 18))).append(char(0x80 | ((code >> 12) & 0x3F)));
        out.append(char(0x80 | ((code >> 6) & 0x3F))).append(char(0x80 | (code & 0x3F)));
    }
}

void CJsonStream::String(const QString& text)
{
    m_buffer.append('"');
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        if (unit < 0x80) {
            AppendAscii(m_buffer, unit);
        } else if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
            AppendUtf8(m_buffer, QChar::surrogateToUcs4(unit, units[i + 1]));
            ++i;
        } else if (QChar::isSurrogate(unit)) {
            AppendEscape(m_buffer, unit);
        } else {
            AppendUtf8(m_buffer, unit);
        }
    }
    m_buffer.append('"');
}

void WriteAction(CJsonStream& json, const RunAction& action)
{
    // The keys in sorted order.
    const bool copy = action.type == RunAction::Type::Copy;
    const bool trashKnown = !copy || action.replaced;
    json.Open('{');
    json.Key("action");
    json.Raw(copy ? "\"copy\"" : "\"delete\"");
    json.Key("done");
    json.Bool(action.done);
    json.Key("folder");
    json.Bool(action.folder);
    if (trashKnown) {
        json.Key("goneForGood");
        json.Bool(action.GoneForGood());
    }
    json.Key("kind");
    json.String(QLatin1String(KindName(action.stamp.kind)));
    // Strings: a JSON number loses nanoseconds beyond 2^53.
    json.Key("modified");
    json.String(QString::number(action.stamp.modified));
    json.Key("path");
    json.String(action.path);
    if (copy) {
        json.Key("replaced");
        json.Bool(action.replaced);
    }
    if (copy && action.replaced) {
        json.Key("replacedTrash");
        json.StringOrNull(action.trashedAs);
    }
    json.Key("size");
    json.String(QString::number(action.stamp.size));
    if (copy) {
        json.Key("source");
        json.String(action.source);
    }
    if (!copy) {
        json.Key("trash");
        json.StringOrNull(action.trashedAs);
    }
    json.Close('}');
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

bool RunRecord::WriteJson(const FileChunkWriter& write) const
{
    // The keys in sorted order, the actions first.
    CJsonStream json(write);
    json.Open('{');
    json.Key("actions");
    json.Open('[');
    json.SetInArray(true);
    for (const RunAction& action : actions) {
        WriteAction(json, action);
        if (!json.Flush())
            return false;
    }
    json.SetInArray(false);
    json.Close(']');
    json.Key("direction");
    json.String(direction);
    json.Key("document");
    json.String(document);
    json.Key("format");
    json.Number(kFormat);
    json.Key("id");
    json.String(id);
    json.Key("log");
    json.String(logPath);
    json.Key("node");
    json.String(node);
    json.Key("roots");
    json.Open('[');
    for (qsizetype i = 0; i < roots.size(); ++i) {
        if (i > 0)
            json.Raw(",");
        json.String(roots.at(i));
    }
    json.Close(']');
    json.Key("time");
    json.String(time.toUTC().toString(Qt::ISODateWithMs));
    if (!undoes.isEmpty()) {
        json.Key("undoes");
        json.String(undoes);
    }
    json.Close('}');
    return json.Flush(true);
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
    const QByteArray state = StateFolder();
    return state.isEmpty() ? QString() : DecodeFileName(state + "/runs");
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
    const auto write = [&record](const FileChunkWriter& chunk) { return record.WriteJson(chunk); };
    if (!ReplaceFileAtomically(RecordPath(folder, record.id), write, error))
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
