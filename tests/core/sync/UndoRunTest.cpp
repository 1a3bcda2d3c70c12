#include "core/platform/EntryStamp.h"
#include "core/sync/CUndoRun.h"
#include "core/sync/RunRecord.h"
#include "support/SyncRunFixture.h"
#include "support/SyncTestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>

namespace {

struct FileState
{
    QByteArray bytes;
    qint64 modified = 0; // nanoseconds
    bool operator==(const FileState&) const = default;
};

FileState StateOf(const QString& path)
{
    return {TestDir::ReadFile(path), StampOfPath(path).modified};
}

} // namespace

class UndoRunTest : public SyncRunTest
{
protected:
    // The record of the last run, read back from its file.
    RunRecord LastRecord(const QString& id)
    {
        RunRecord record;
        QString error;
        EXPECT_TRUE(RunRecords::Load(id, &record, &error)) << qPrintable(error);
        return record;
    }

    CUndoRun PlannedUndo(const QString& id)
    {
        CUndoRun undo(LastRecord(id));
        undo.Plan();
        return undo;
    }

    static constexpr SyncFlags kMirror = SyncFlag::Recursive | SyncFlag::DeleteFiles | SyncFlag::NoConfirmation;
};

TEST_F(UndoRunTest, AnImportInTheWrongDirectionIsUndoneByteForByte)
{
    // The day's work in the project folder, yesterday's copy (touched later) in the target folder.
    const QStringList names{QStringLiteral("a.txt"), QStringLiteral("sub/b.txt"), QStringLiteral("c d.txt")};
    for (const QString& name : names) {
        dir.WriteFile(QStringLiteral("P/") + name, "today's work on " + name.toUtf8(), kOld);
        TestDir::SetMTime(P(name), kOld, 123456789);
        dir.WriteFile(QStringLiteral("T/") + name, "yesterday", kNew);
    }
    dir.WriteFile(QStringLiteral("P/new.txt"), "only in the project", kOld);
    CSyncProject& project = AddProject();
    std::map<QString, FileState> before;
    for (const QString& name : names + QStringList{QStringLiteral("new.txt")})
        before[name] = StateOf(P(name));

    ASSERT_TRUE(Run(&project, kMirror | SyncFlag::RecycleBin, SyncDirection::Import));
    ASSERT_FALSE(result.AnyFailed()) << qPrintable(result.problems.join('\n'));
    EXPECT_EQ(TestDir::ReadFile(P(QStringLiteral("a.txt"))), "yesterday");
    EXPECT_FALSE(TestDir::Exists(P(QStringLiteral("new.txt"))));

    CUndoRun undo = PlannedUndo(result.recordId);
    EXPECT_TRUE(undo.LeftAlone().isEmpty()) << qPrintable(undo.LeftAlone().join('\n'));
    ASSERT_EQ(undo.Steps().size(), 4u);
    ASSERT_TRUE(undo.Execute(logPath));
    EXPECT_TRUE(undo.Problems().isEmpty()) << qPrintable(undo.Problems().join('\n'));
    for (const auto& [name, state] : before)
        EXPECT_EQ(StateOf(P(name)), state) << qPrintable(name);
    // The copies the import made went to the trash in turn.
    for (const RunAction& action : undo.Record().actions) {
        if (action.replaced) {
            EXPECT_EQ(TestDir::ReadFile(action.trashedAs), "yesterday");
        }
    }
}

TEST_F(UndoRunTest, DeletionsWithoutTheTrashAreReportedGoneForGood)
{
    for (const SyncFlags trash : {SyncFlags(), SyncFlags(SyncFlag::RecycleBin)}) {
        SCOPED_TRACE(trash);
        dir.WriteFile(QStringLiteral("P/x.txt"), "new x", kNew);
        dir.WriteFile(QStringLiteral("T/x.txt"), "old x", kOld);
        dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
        CSyncProject& project = AddProject();
        ASSERT_TRUE(Run(&project, kMirror | trash, SyncDirection::Export));

        const RunRecord record = LastRecord(result.recordId);
        ASSERT_EQ(record.Count(RunAction::Type::Delete), 1);
        const RunAction& deletion = record.actions.front();
        EXPECT_EQ(deletion.GoneForGood(), trash == 0);

        CUndoRun undo = PlannedUndo(result.recordId);
        ASSERT_TRUE(undo.Execute(logPath));
        EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("x.txt"))), "old x");
        if (trash == 0) {
            EXPECT_EQ(undo.Problems(), QStringList{UndoText::GoneForGood(T(QStringLiteral("stale.txt")))});
            EXPECT_FALSE(TestDir::Exists(T(QStringLiteral("stale.txt"))));
        } else {
            EXPECT_TRUE(undo.Problems().isEmpty());
            EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("stale.txt"))), "stale");
        }
        doc.DeleteContents();
    }
}

TEST_F(UndoRunTest, AnItemEditedAfterTheRunIsLeftAloneAndReported)
{
    dir.WriteFile(QStringLiteral("P/x.txt"), "new x", kNew);
    dir.WriteFile(QStringLiteral("P/y.txt"), "new y", kNew);
    dir.WriteFile(QStringLiteral("P/z.txt"), "new z", kNew);
    dir.WriteFile(QStringLiteral("T/x.txt"), "old x", kOld);
    dir.WriteFile(QStringLiteral("T/y.txt"), "old y", kOld);
    CSyncProject& project = AddProject();
    ASSERT_TRUE(Run(&project, kMirror, SyncDirection::Export));

    dir.WriteFile(QStringLiteral("T/x.txt"), "edited after the run", kNew + 5);
    dir.WriteFile(QStringLiteral("T/z.txt"), "edited too", kNew);
    CUndoRun undo = PlannedUndo(result.recordId);
    const QStringList expected{
        UndoText::ChangedSinceRun(T(QStringLiteral("z.txt"))), UndoText::ChangedSinceRun(T(QStringLiteral("x.txt")))};
    EXPECT_EQ(undo.LeftAlone(), expected);
    ASSERT_TRUE(undo.Execute(logPath));
    EXPECT_EQ(undo.Problems(), expected);
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("x.txt"))), "edited after the run");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("z.txt"))), "edited too");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("y.txt"))), "old y");
    EXPECT_EQ(undo.DoneCount(), 1);
}

TEST_F(UndoRunTest, AnUndoCanBeUndone)
{
    dir.WriteFile(QStringLiteral("P/x.txt"), "new x", kNew);
    dir.WriteFile(QStringLiteral("P/added.txt"), "added", kNew);
    dir.WriteFile(QStringLiteral("T/x.txt"), "old x", kOld);
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    CSyncProject& project = AddProject();
    ASSERT_TRUE(Run(&project, kMirror | SyncFlag::RecycleBin, SyncDirection::Export));
    const FileState x = StateOf(T(QStringLiteral("x.txt")));
    const FileState added = StateOf(T(QStringLiteral("added.txt")));

    CUndoRun undo = PlannedUndo(result.recordId);
    ASSERT_TRUE(undo.Execute(logPath));
    ASSERT_TRUE(undo.Problems().isEmpty()) << qPrintable(undo.Problems().join('\n'));
    EXPECT_FALSE(TestDir::Exists(T(QStringLiteral("added.txt"))));
    EXPECT_EQ(undo.Record().direction, QStringLiteral("undo"));
    EXPECT_EQ(undo.Record().undoes, result.recordId);

    CUndoRun redo = PlannedUndo(undo.Record().id);
    ASSERT_EQ(redo.Steps().size(), 3u);
    ASSERT_TRUE(redo.Execute(logPath));
    EXPECT_TRUE(redo.Problems().isEmpty()) << qPrintable(redo.Problems().join('\n'));
    EXPECT_EQ(StateOf(T(QStringLiteral("x.txt"))), x);
    EXPECT_EQ(StateOf(T(QStringLiteral("added.txt"))), added);
    EXPECT_FALSE(TestDir::Exists(T(QStringLiteral("stale.txt"))));
}

TEST_F(UndoRunTest, TheRunRecordReadsBackAndADamagedOneIsReported)
{
    dir.WriteFile(QStringLiteral("P/sub/x.txt"), "new x", kNew);
    dir.WriteFile(QStringLiteral("T/sub/x.txt"), "old", kOld);
    dir.WriteFile(QStringLiteral("T/sub/stale.txt"), "stale", kOld);
    const QString document = dir.PathOf(QStringLiteral("D.snc"));
    CSyncProject& project = AddProject();
    ASSERT_TRUE(doc.OnSaveDocument(document));
    CProject* sub = project.Children().begin()->second.get();
    ASSERT_TRUE(Run(sub, kMirror | SyncFlag::RecycleBin, SyncDirection::Export));

    QFile file(RunRecords::Folder() + QLatin1Char('/') + result.recordId + QStringLiteral(".json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(json.value("document").toString(), document);
    EXPECT_EQ(json.value("node").toString(), QStringLiteral("P/sub"));
    EXPECT_EQ(json.value("direction").toString(), QStringLiteral("export"));
    const QJsonArray actions = json.value("actions").toArray();
    ASSERT_EQ(actions.size(), 2);
    const QJsonObject deletion = actions.at(0).toObject();
    EXPECT_EQ(deletion.value("action").toString(), QStringLiteral("delete"));
    EXPECT_EQ(deletion.value("path").toString(), T(QStringLiteral("sub/stale.txt")));
    EXPECT_EQ(TestDir::ReadFile(deletion.value("trash").toString()), "stale");
    EXPECT_FALSE(deletion.value("goneForGood").toBool());
    const QJsonObject copy = actions.at(1).toObject();
    EXPECT_EQ(copy.value("source").toString(), P(QStringLiteral("sub/x.txt")));
    EXPECT_TRUE(copy.value("replaced").toBool());
    EXPECT_EQ(TestDir::ReadFile(copy.value("replacedTrash").toString()), "old");
    EXPECT_EQ(copy.value("size").toString(), QStringLiteral("5"));
    EXPECT_EQ(copy.value("modified").toString(), QString::number(kNew * 1'000'000'000));

    dir.WriteFile(QStringLiteral("state/pairwell/runs/99999999-000000-000-00000.json"), "{\"format\": 1, \"id\"");
    QStringList damaged;
    const std::vector<RunRecord> records = RunRecords::ForDocument(document, &damaged);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records.front().id, result.recordId);
    ASSERT_EQ(damaged.size(), 1);
    EXPECT_TRUE(damaged.first().contains(QStringLiteral("99999999-000000-000-00000.json")));
}

TEST_F(UndoRunTest, WithTheSettingOffCopiesReplaceFilesAsBefore)
{
    QByteArray logs[2];
    QByteArray targets[2];
    for (const bool trashReplaced : {false, true}) {
        SCOPED_TRACE(trashReplaced);
        dir.WriteFile(QStringLiteral("P/x.txt"), "new x", kNew);
        dir.WriteFile(QStringLiteral("T/x.txt"), "old x", kOld);
        QFile::remove(logPath);
        CSyncProject& project = AddProject();
        CSyncRun run(doc);
        run.SetTrashReplaced(trashReplaced);
        ASSERT_TRUE(run.Synchronize(&project, Options(kMirror), SyncDirection::Export));
        const RunRecord record = LastRecord(run.Result().recordId);
        ASSERT_EQ(record.actions.size(), 1u);
        EXPECT_TRUE(record.actions.front().replaced);
        EXPECT_EQ(record.actions.front().GoneForGood(), !trashReplaced);
        if (trashReplaced) {
            EXPECT_EQ(TestDir::ReadFile(record.actions.front().trashedAs), "old x");
        }
        logs[trashReplaced] = TestDir::ReadFile(logPath);
        targets[trashReplaced] = TestDir::ReadFile(T(QStringLiteral("x.txt")));
        doc.DeleteContents();
    }
    EXPECT_EQ(logs[0], logs[1]);
    EXPECT_EQ(targets[0], "new x");
    EXPECT_EQ(targets[0], targets[1]);
}

// What the plan saw decides: an entry changed between the plan and the run is left alone.
TEST_F(UndoRunTest, ARunLeavesAloneWhatChangedSinceItsPlan)
{
    dir.WriteFile(QStringLiteral("P/edited-target.txt"), "new", kNew);
    dir.WriteFile(QStringLiteral("T/edited-target.txt"), "old", kOld);
    dir.WriteFile(QStringLiteral("P/edited-source.txt"), "new", kNew);
    dir.WriteFile(QStringLiteral("T/edited-source.txt"), "old", kOld);
    dir.WriteFile(QStringLiteral("P/plain.txt"), "new", kNew);
    dir.WriteFile(QStringLiteral("T/plain.txt"), "old", kOld);
    dir.WriteFile(QStringLiteral("T/stale-edited.txt"), "stale", kOld);
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    dir.WriteFile(QStringLiteral("T/gone/inside.txt"), "in a folder that goes", kOld);
    dir.WriteFile(QStringLiteral("T/gone2/inside.txt"), "in a folder that goes", kOld);
    CSyncProject& project = AddProject();
    doc.GetRoot().Refresh(true);
    previewHook = [&](SyncLists&) {
        // The user goes on working while the preview is open.
        dir.WriteFile(QStringLiteral("T/edited-target.txt"), "edited meanwhile", kOld);
        dir.WriteFile(QStringLiteral("P/edited-source.txt"), "changed again", kNew + 1);
        dir.WriteFile(QStringLiteral("T/stale-edited.txt"), "edited meanwhile", kOld);
        dir.WriteFile(QStringLiteral("T/gone/inside.txt"), "edited meanwhile", kOld);
        return true;
    };
    doc.SetPreview(true);
    ASSERT_TRUE(Run(&project, kMirror | SyncFlag::DeleteFolders | SyncFlag::RecycleBin, SyncDirection::Export));

    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("edited-target.txt"))), "edited meanwhile");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("edited-source.txt"))), "old");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("stale-edited.txt"))), "edited meanwhile");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("gone/inside.txt"))), "edited meanwhile");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("plain.txt"))), "new");
    EXPECT_FALSE(TestDir::Exists(T(QStringLiteral("stale.txt"))));
    EXPECT_FALSE(TestDir::Exists(T(QStringLiteral("gone2"))));
    EXPECT_TRUE(result.AnyFailed());
    QStringList errors = result.deletions.errors + result.copies.errors;
    errors.sort();
    QStringList expected{PlanStampText::DestinationChanged(T(QStringLiteral("edited-target.txt"))),
        PlanStampText::SourceChanged(P(QStringLiteral("edited-source.txt"))),
        PlanStampText::DeletionChanged(T(QStringLiteral("stale-edited.txt"))),
        PlanStampText::DeletionChanged(T(QStringLiteral("gone")))};
    expected.sort();
    EXPECT_EQ(errors, expected);
}

// The same through the document's own run, whose preview the window installs.
TEST_F(UndoRunTest, TheDocumentsRunSkipsADestinationEditedWhileItsPreviewIsOpen)
{
    dir.WriteFile(QStringLiteral("P/edited.txt"), "new", kNew);
    dir.WriteFile(QStringLiteral("T/edited.txt"), "old", kOld);
    dir.WriteFile(QStringLiteral("P/plain.txt"), "new", kNew);
    dir.WriteFile(QStringLiteral("T/plain.txt"), "old", kOld);
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    CSyncProject& project = AddProject();
    int previews = 0;
    doc.SetSyncHooks({[&](SyncLists& lists) {
                          ++previews;
                          // The user drops a row, then edits two files while the list is open.
                          lists.copySources.removeAt(1);
                          lists.copyDestinations.removeAt(1);
                          dir.WriteFile(QStringLiteral("T/edited.txt"), "edited meanwhile", kOld);
                          dir.WriteFile(QStringLiteral("T/stale.txt"), "edited meanwhile", kOld);
                          return true;
                      },
        nullptr});
    doc.SetPreview(true);
    prompt.Push(PromptAnswer::Ok); // the error summary
    ASSERT_TRUE(doc.Synchronize(&project, Options(kMirror), SyncDirection::Export));
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("edited.txt"))), "edited meanwhile");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("stale.txt"))), "edited meanwhile");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("plain.txt"))), "old"); // its row was dropped
    const SyncRunResult& last = doc.LastSyncResult();
    EXPECT_TRUE(last.AnyFailed());
    EXPECT_EQ(last.copies.items.at(0).error, PlanStampText::DestinationChanged(T(QStringLiteral("edited.txt"))));
    EXPECT_EQ(last.deletions.items.at(0).error, PlanStampText::DeletionChanged(T(QStringLiteral("stale.txt"))));
    doc.SetSyncHooks({});
}

TEST_F(UndoRunTest, AReplacedLinkGoesToTheTrashAndComesBack)
{
    dir.MakeLink(QStringLiteral("P/link"), QStringLiteral("new-target"));
    dir.MakeLink(QStringLiteral("T/link"), QStringLiteral("old-target"));
    TestDir::SetMTime(P(QStringLiteral("link")), kNew);
    TestDir::SetMTime(T(QStringLiteral("link")), kOld);
    CSyncProject& project = AddProject();
    ASSERT_TRUE(Run(&project, kMirror, SyncDirection::Export));
    ASSERT_FALSE(result.AnyFailed()) << qPrintable(result.copies.errors.join('\n'));
    EXPECT_EQ(LinkTarget(T(QStringLiteral("link"))), "new-target");
    const RunRecord record = LastRecord(result.recordId);
    ASSERT_EQ(record.actions.size(), 1u);
    EXPECT_TRUE(record.actions.front().replaced);
    EXPECT_EQ(LinkTarget(record.actions.front().trashedAs), "old-target");

    CUndoRun undo = PlannedUndo(result.recordId);
    ASSERT_TRUE(undo.Execute(logPath));
    EXPECT_TRUE(undo.Problems().isEmpty()) << qPrintable(undo.Problems().join('\n'));
    EXPECT_EQ(LinkTarget(T(QStringLiteral("link"))), "old-target");
}

namespace {

RunAction Action(RunAction::Type type, const QString& path, const QString& source, const QString& trashedAs,
    bool replaced, EntryStamp stamp)
{
    RunAction action;
    action.type = type;
    action.path = path;
    action.source = source;
    action.trashedAs = trashedAs;
    action.replaced = replaced;
    action.done = true;
    action.folder = stamp.kind == EntryKind::Folder;
    action.stamp = stamp;
    return action;
}

void ExpectSameRecord(const RunRecord& read, const RunRecord& written)
{
    EXPECT_EQ(read.id, written.id);
    EXPECT_EQ(read.document, written.document);
    EXPECT_EQ(read.node, written.node);
    EXPECT_EQ(read.direction, written.direction);
    EXPECT_EQ(read.undoes, written.undoes);
    EXPECT_EQ(read.time, written.time);
    EXPECT_EQ(read.logPath, written.logPath);
    EXPECT_EQ(read.roots, written.roots);
    ASSERT_EQ(read.actions.size(), written.actions.size());
    for (size_t i = 0; i < read.actions.size(); ++i) {
        const RunAction& a = read.actions[i];
        const RunAction& b = written.actions[i];
        EXPECT_EQ(a.type, b.type) << i;
        EXPECT_EQ(a.path, b.path) << i;
        EXPECT_EQ(a.source, b.type == RunAction::Type::Copy ? b.source : QString()) << i;
        EXPECT_EQ(a.folder, b.folder) << i;
        EXPECT_EQ(a.done, b.done) << i;
        EXPECT_EQ(a.trashedAs, b.trashedAs) << i;
        EXPECT_EQ(a.replaced, b.replaced) << i;
        EXPECT_EQ(a.stamp, b.stamp) << i;
    }
}

} // namespace

// The record is written compact and piece by piece; what any JSON reader
// reads of it is what was kept, and a record written indented still reads.
TEST_F(UndoRunTest, TheRunRecordIsCompactJsonThatReadsBackExactlyAndAnIndentedOneStillReads)
{
    const QString odd
        = P(QStringLiteral("quote\" back\\ line\n tab\t bell\x07 日本語 😀 ")) + DecodeFileName(QByteArray("\xff\xfe"));
    RunRecord record;
    record.document = dir.PathOf(QStringLiteral("D \"1\".snc"));
    record.node = QStringLiteral("P/サブ");
    record.direction = QStringLiteral("undo");
    record.undoes = QStringLiteral("20260101-000000-000-abcde");
    record.time = QDateTime(QDate(2026, 12, 7), QTime(21, 5, 1, 234), Qt::UTC);
    record.logPath = dir.PathOf(QStringLiteral("sync.log"));
    record.roots = QStringList{P(QString()), T(QString())};
    const EntryStamp file{EntryKind::File, 5, 1'733'600'000'123'456'789, 0};
    const EntryStamp folder{EntryKind::Folder, 0, -1'500'000'001, 0};
    record.actions
        = {Action(RunAction::Type::Delete, T(QStringLiteral("stale.txt")), {}, QStringLiteral("/trash/a"), false, file),
            Action(RunAction::Type::Delete, T(QStringLiteral("gone")), {}, {}, false, folder),
            Action(RunAction::Type::Copy, odd, odd, {}, false, file),
            Action(RunAction::Type::Copy, T(QStringLiteral("x.txt")), P(QStringLiteral("x.txt")),
                QStringLiteral("/t/x"), true, file),
            Action(RunAction::Type::Copy, T(QStringLiteral("y.txt")), P(QStringLiteral("y.txt")), {}, true, file)};
    QString error;
    ASSERT_TRUE(RunRecords::Save(record, &error)) << qPrintable(error);

    const QString path = RunRecords::Folder() + QLatin1Char('/') + record.id + QStringLiteral(".json");
    const QByteArray bytes = TestDir::ReadFile(path);
    EXPECT_FALSE(bytes.contains('\n'));
    QJsonParseError parse;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &parse);
    ASSERT_TRUE(json.isObject()) << qPrintable(parse.errorString());
    // Byte for byte what Qt's own writer gives for the same values.
    EXPECT_EQ(json.toJson(QJsonDocument::Compact), bytes);
    const QJsonArray actions = json.object().value("actions").toArray();
    EXPECT_TRUE(actions.at(1).toObject().value("trash").isNull());
    EXPECT_TRUE(actions.at(1).toObject().value("goneForGood").toBool());
    EXPECT_TRUE(actions.at(4).toObject().value("replacedTrash").isNull());
    EXPECT_FALSE(actions.at(2).toObject().contains("replacedTrash"));
    ExpectSameRecord(LastRecord(record.id), record);

    // A record written indented, as earlier versions did.
    QFile indented(path);
    ASSERT_TRUE(indented.open(QIODevice::WriteOnly | QIODevice::Truncate));
    indented.write(json.toJson(QJsonDocument::Indented));
    indented.close();
    ExpectSameRecord(LastRecord(record.id), record);
}

// The stamps a run keeps of the files it wrote are those of the files on
// disk, nanoseconds included, on one thread and on two.
TEST_F(UndoRunTest, TheRecordKeepsTheStampOfEachFileTheRunWrote)
{
    dir.MakeFolder(QStringLiteral("P"));
    dir.MakeFolder(QStringLiteral("T"));
    CSyncProject& project = AddProject();
    // A few files are copied one by one, many on two threads.
    for (const int files : {3, 100}) {
        for (int i = 0; i < files; ++i) {
            const QString name = QStringLiteral("%1/f%2.txt").arg(files).arg(i);
            dir.WriteFile(QStringLiteral("P/") + name, QByteArray(i % 7, 'n'), kNew);
            TestDir::SetMTime(P(name), kNew, 1000 * i + 7);
            if (i % 2)
                dir.WriteFile(QStringLiteral("T/") + name, "old", kOld);
        }
        doc.GetRoot().Refresh(true);
        ASSERT_TRUE(Run(&project, kMirror, SyncDirection::Export));
        const RunRecord record = LastRecord(result.recordId);
        ASSERT_EQ(record.actions.size(), size_t(files));
        for (const RunAction& action : record.actions) {
            ASSERT_TRUE(action.done) << qPrintable(action.path);
            EXPECT_EQ(action.stamp, StampOfPath(action.path)) << qPrintable(action.path);
            EXPECT_EQ(action.stamp, StampOfPath(action.source)) << qPrintable(action.path);
        }
    }
}

// What the plan saw, to the nanosecond: an edit in the same second that
// keeps the size, or a file that appears where the plan saw none, is left alone.
TEST_F(UndoRunTest, ARunLeavesAloneAnEditInTheSameSecondAndAFileThatAppearedAfterItsPlan)
{
    dir.WriteFile(QStringLiteral("P/dest-edited.txt"), "new", kNew);
    dir.WriteFile(QStringLiteral("T/dest-edited.txt"), "old", kOld);
    dir.WriteFile(QStringLiteral("P/source-edited.txt"), "new", kNew);
    dir.WriteFile(QStringLiteral("T/source-edited.txt"), "old", kOld);
    dir.WriteFile(QStringLiteral("P/appeared.txt"), "new", kNew);
    dir.WriteFile(QStringLiteral("T/stale-edited.txt"), "stale", kOld);
    dir.WriteFile(QStringLiteral("P/plain.txt"), "new", kNew);
    CSyncProject& project = AddProject();
    previewHook = [&](SyncLists&) {
        dir.WriteFile(QStringLiteral("T/dest-edited.txt"), "OLD", kOld);
        TestDir::SetMTime(T(QStringLiteral("dest-edited.txt")), kOld, 500'000'000);
        dir.WriteFile(QStringLiteral("P/source-edited.txt"), "NEW", kNew);
        TestDir::SetMTime(P(QStringLiteral("source-edited.txt")), kNew, 1);
        dir.WriteFile(QStringLiteral("T/appeared.txt"), "the user's own", kOld);
        dir.WriteFile(QStringLiteral("T/stale-edited.txt"), "STALE", kOld);
        TestDir::SetMTime(T(QStringLiteral("stale-edited.txt")), kOld, 7);
        return true;
    };
    doc.SetPreview(true);
    ASSERT_TRUE(Run(&project, kMirror, SyncDirection::Export));

    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("dest-edited.txt"))), "OLD");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("source-edited.txt"))), "old");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("appeared.txt"))), "the user's own");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("stale-edited.txt"))), "STALE");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("plain.txt"))), "new");
    QStringList errors = result.deletions.errors + result.copies.errors;
    errors.sort();
    QStringList expected{PlanStampText::DestinationChanged(T(QStringLiteral("dest-edited.txt"))),
        PlanStampText::SourceChanged(P(QStringLiteral("source-edited.txt"))),
        PlanStampText::DestinationChanged(T(QStringLiteral("appeared.txt"))),
        PlanStampText::DeletionChanged(T(QStringLiteral("stale-edited.txt")))};
    expected.sort();
    EXPECT_EQ(errors, expected);
}
