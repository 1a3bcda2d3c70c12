// The undo verb of pairwell-cli, run as a separate process after a real
// export on real folders, a real .snc file and a real profile.
#include "CliRunner.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "support/TestDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kOld = 1'000'000'000;
constexpr qint64 kNew = kOld + 100;

class CliUndo : public ::testing::Test
{
protected:
    void SetUp() override
    {
        docPath = dir.PathOf(QStringLiteral("doc.snc"));
        dir.MakeFolder(QStringLiteral("tmp"));
        CMyDoc doc;
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(dir.PathOf(QStringLiteral("P")), dir.PathOf(QStringLiteral("T")));
        doc.GetRoot().AddChild(std::move(node));
        ASSERT_TRUE(doc.OnSaveDocument(docPath));
    }

    CliResult Cli(const QStringList& args) const
    {
        return RunCli(args, {.environment = EnvironmentIn(dir, dir.PathOf(QStringLiteral("profile.ini")))});
    }

    QJsonObject Json(const QString& text) const { return QJsonDocument::fromJson(text.toUtf8()).object(); }

    TestDir dir;
    QString docPath;
};

TEST_F(CliUndo, AnExportIsListedPlannedAndUndoneAndAnEditedFileIsLeftAlone)
{
    dir.WriteFile(QStringLiteral("P/x.txt"), "new x", kNew);
    dir.WriteFile(QStringLiteral("P/y.txt"), "new y", kNew);
    dir.WriteFile(QStringLiteral("P/added.txt"), "added", kNew);
    dir.WriteFile(QStringLiteral("T/x.txt"), "old x", kOld);
    dir.WriteFile(QStringLiteral("T/y.txt"), "old y", kOld);
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    const CliResult exported = Cli({QStringLiteral("export"), docPath, QStringLiteral("--delete-files"),
        QStringLiteral("--trash"), QStringLiteral("--yes"), QStringLiteral("--quiet")});
    ASSERT_EQ(exported.code, 0) << exported.err.toStdString();

    const CliResult listed = Cli({QStringLiteral("undo"), docPath, QStringLiteral("--list"), QStringLiteral("--json")});
    ASSERT_EQ(listed.code, 0) << listed.err.toStdString();
    const QJsonArray runs = Json(listed.out).value(QStringLiteral("runs")).toArray();
    ASSERT_EQ(runs.size(), 1);
    const QJsonObject run = runs.at(0).toObject();
    EXPECT_EQ(run.value(QStringLiteral("direction")).toString(), QStringLiteral("export"));
    EXPECT_EQ(run.value(QStringLiteral("copies")).toInt(), 3);
    EXPECT_EQ(run.value(QStringLiteral("deletions")).toInt(), 1);
    EXPECT_EQ(run.value(QStringLiteral("undoable")).toString(), QStringLiteral("yes"));

    // Edited after the run: left alone, and reported.
    dir.WriteFile(QStringLiteral("T/y.txt"), "edited after the run", kNew + 9);
    const CliResult plan = Cli({QStringLiteral("undo"), docPath, QStringLiteral("--plan")});
    EXPECT_EQ(plan.code, 4);
    EXPECT_TRUE(plan.out.contains(QStringLiteral("DEL ") + dir.PathOf(QStringLiteral("T/added.txt"))));
    EXPECT_TRUE(plan.out.contains(QStringLiteral(" ") + dir.PathOf(QStringLiteral("T/x.txt"))));
    EXPECT_TRUE(plan.err.contains(dir.PathOf(QStringLiteral("T/y.txt"))));

    // Without a terminal and without --yes nothing is undone.
    EXPECT_EQ(Cli({QStringLiteral("undo"), docPath}).code, 3);
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("T/x.txt"))), "new x");

    const CliResult undone = Cli({QStringLiteral("undo"), docPath, QStringLiteral("--yes"), QStringLiteral("--json")});
    EXPECT_EQ(undone.code, 4);
    EXPECT_EQ(Json(undone.out).value(QStringLiteral("done")).toInt(), 3);
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("T/x.txt"))), "old x");
    EXPECT_EQ(TestDir::MTime(dir.PathOf(QStringLiteral("T/x.txt"))), kOld);
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("T/stale.txt"))), "stale");
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("T/y.txt"))), "edited after the run");
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("T/added.txt"))));

    // The undo is the newest run now; a damaged record is reported, never taken as empty.
    dir.WriteFile(QStringLiteral("state/pairwell/runs/00000000-000000-000-00000.json"), "not json");
    const CliResult again = Cli({QStringLiteral("undo"), docPath, QStringLiteral("--list")});
    EXPECT_EQ(again.code, 4);
    EXPECT_TRUE(again.err.contains(QStringLiteral("00000000-000000-000-00000.json")));
    EXPECT_TRUE(again.out.startsWith(Json(undone.out).value(QStringLiteral("undoRun")).toString()));
}

TEST_F(CliUndo, NoRunToUndoIsBadUsage)
{
    const CliResult result = Cli({QStringLiteral("undo"), docPath});
    EXPECT_EQ(result.code, 2);
    EXPECT_TRUE(result.err.contains(QStringLiteral("元に戻せる同期はありません。")));
}
} // namespace
