// pairwell-cli run as separate processes on one document: verbs that change it
// at the same time each keep their change, and a tree whose names differ only
// in letter case is exported completely.
#include "CliRunner.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/Prompt.h"
#include "support/TestDir.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

constexpr qint64 kBase = 1700000000;

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

class DocumentChanges : public ::testing::Test
{
protected:
    std::unique_ptr<QProcess> Start(const QStringList& args)
    {
        return StartCli(args, {.environment = {{S("PAIRWELL_PROFILE"), dir.PathOf(S("profile.ini"))}}});
    }
    int Finish(QProcess& process)
    {
        const CliResult result = FinishCli(process);
        EXPECT_EQ(result.code, 0) << result.err.toStdString();
        return result.code;
    }
    int Run(const QStringList& args)
    {
        const std::unique_ptr<QProcess> process = Start(args);
        return Finish(*process);
    }

    // Every file below `root`: relative path, size and content.
    static QStringList Listing(const QString& root)
    {
        QStringList entries;
        QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            entries << QDir(root).relativeFilePath(path) + S(" ") + QString::fromUtf8(TestDir::ReadFile(path));
        }
        entries.sort();
        return entries;
    }

    TestDir dir;
    CScriptedPrompt prompt;
    CPromptScope scope{prompt};
    QString doc = dir.PathOf(S("d.snc"));
};

} // namespace

TEST_F(DocumentChanges, ParallelVerbsKeepEveryChange)
{
    constexpr int kProjects = 10;
    ASSERT_EQ(Run({S("new"), doc}), 0);
    for (int i = 0; i < kProjects; ++i) {
        dir.MakeFolder(QStringLiteral("p/proj%1/sub").arg(i));
        dir.MakeFolder(QStringLiteral("t/proj%1").arg(i));
    }
    std::vector<std::unique_ptr<QProcess>> running;
    for (int i = 0; i < kProjects; ++i) {
        running.push_back(Start({S("add"), doc, dir.PathOf(QStringLiteral("p/proj%1").arg(i)),
            dir.PathOf(QStringLiteral("t/proj%1").arg(i))}));
    }
    for (const auto& process : running)
        Finish(*process);
    CMyDoc added;
    ASSERT_TRUE(added.OnOpenDocument(doc));
    ASSERT_EQ(added.GetRoot().ChildCount(), kProjects);

    // Changes of different nodes and of the common selection, all at once.
    running.clear();
    for (int i = 0; i < kProjects; ++i)
        running.push_back(Start({S("set"), doc, QStringLiteral("proj%1").arg(i), S("--no-sync"), S("on")}));
    running.push_back(Start({S("set"), doc, S("--common-filters"), S("shared")}));
    for (const auto& process : running)
        Finish(*process);
    CMyDoc changed;
    ASSERT_TRUE(changed.OnOpenDocument(doc));
    ASSERT_EQ(changed.GetRoot().ChildCount(), kProjects);
    for (const auto& [key, project] : changed.GetRoot().Children())
        EXPECT_TRUE(project->IsNoSync()) << key.toStdString();
    EXPECT_EQ(changed.GetCommonFilterSelection(), QStringList{S("shared")});
    EXPECT_EQ(prompt.UnexpectedCount(), 0);
}

TEST_F(DocumentChanges, AnExportOfCaseVariantsGivesEveryFile)
{
    const struct
    {
        const char* name;
        const char* content;
    } files[] = {
        {"P/xt_CONNMARK.h", "upper"},
        {"P/xt_connmark.h", "lower"},
        {"P/Foo/one.txt", "in Foo"},
        {"P/Foo/same.txt", "Foo's"},
        {"P/foo/two.txt", "in foo"},
        {"P/foo/same.txt", "foo's"},
        {"P/foo/Deep/x", "Deep"},
        {"P/foo/deep/x", "deep"},
    };
    for (const auto& file : files)
        dir.WriteFile(S(file.name), file.content, kBase);
    dir.MakeFolder(S("T"));
    ASSERT_EQ(Run({S("new"), doc}), 0);
    ASSERT_EQ(Run({S("add"), doc, dir.PathOf(S("P")), dir.PathOf(S("T"))}), 0);

    ASSERT_EQ(Run({S("export"), doc, S("--flags"), S("0x8F"), S("--yes"), S("--quiet")}), 0);
    EXPECT_EQ(Listing(dir.PathOf(S("T"))), Listing(dir.PathOf(S("P"))));
    EXPECT_EQ(Listing(dir.PathOf(S("T"))).size(), qsizetype(std::size(files)));

    // A change of one spelling reaches its own file only.
    dir.WriteFile(S("P/foo/same.txt"), "foo's, later", kBase + 100);
    ASSERT_EQ(Run({S("export"), doc, S("--flags"), S("0x8F"), S("--yes"), S("--quiet")}), 0);
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(S("T/foo/same.txt"))), QByteArray("foo's, later"));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(S("T/Foo/same.txt"))), QByteArray("Foo's"));
    EXPECT_EQ(Listing(dir.PathOf(S("T"))), Listing(dir.PathOf(S("P"))));
}
