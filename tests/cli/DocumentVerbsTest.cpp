#include "CliRunner.h"
#include "support/TestDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

// Runs the command-line tool in the test folder, with a profile of its own and no terminal.
class DocumentVerbs : public ::testing::Test
{
protected:
    CliResult Run(const QStringList& arguments)
    {
        return RunCli(arguments,
            {.environment = {{QStringLiteral("PAIRWELL_PROFILE"), dir.PathOf(QStringLiteral("profile.ini"))}},
                .workingDirectory = dir.Path()});
    }

    QJsonObject Tree(const QStringList& extra = {})
    {
        const CliResult result
            = Run(QStringList{QStringLiteral("tree"), QStringLiteral("d.snc"), QStringLiteral("--json")} + extra);
        EXPECT_EQ(result.code, 0) << result.err.toStdString();
        return QJsonDocument::fromJson(result.out.toUtf8()).object();
    }

    static QJsonObject Child(const QJsonObject& node, int index)
    {
        return node.value(QStringLiteral("children")).toArray().at(index).toObject();
    }

    TestDir dir;
};

} // namespace

TEST_F(DocumentVerbs, NewWritesTheEmptyDocumentAndKeepsAnExistingOne)
{
    EXPECT_EQ(Run({"new", "d.snc"}).code, 0);
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("d.snc"))), QByteArray::fromHex("0000fffeff000000"));
    dir.WriteFile(QStringLiteral("other.snc"), "precious");
    EXPECT_EQ(Run({"new", "other.snc"}).code, 2);
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("other.snc"))), QByteArray("precious"));
    EXPECT_EQ(Run({"new", "other.snc", "--force"}).code, 0);
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("other.snc"))).size(), 8);
}

TEST_F(DocumentVerbs, AddFollowsTheCreationRules)
{
    dir.MakeFolder(QStringLiteral("p/Proj/sub"));
    dir.MakeFolder(QStringLiteral("q/proj"));
    dir.MakeFolder(QStringLiteral("p/Flat/sub"));
    ASSERT_EQ(Run({"new", "d.snc"}).code, 0);

    // Without --yes and without a terminal the target folder is not created.
    const CliResult declined = Run({"add", "d.snc", "p/Proj", "t/Proj"});
    EXPECT_EQ(declined.code, 3);
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("t/Proj"))));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("d.snc"))).size(), 8);

    dir.MakeFolder(QStringLiteral("t"));
    EXPECT_EQ(Run({"add", "d.snc", "p/Proj", "t/Proj", "--yes"}).code, 0);
    EXPECT_TRUE(TestDir::Exists(dir.PathOf(QStringLiteral("t/Proj"))));

    const CliResult duplicate = Run({"add", "d.snc", "q/proj"});
    EXPECT_EQ(duplicate.code, 2);
    EXPECT_TRUE(duplicate.err.contains(QStringLiteral("指定されたプロジェクトフォルダはすでに登録されています。")));

    EXPECT_EQ(Run({"add", "d.snc", "missing"}).code, 2);
    EXPECT_EQ(Run({"add", "d.snc", "p/Flat", "--no-subfolders"}).code, 0);

    const QJsonObject tree = Tree();
    const QJsonObject flat = Child(tree.value(QStringLiteral("root")).toObject(), 0);
    const QJsonObject proj = Child(tree.value(QStringLiteral("root")).toObject(), 1);
    EXPECT_EQ(flat.value(QStringLiteral("displayName")).toString(), QStringLiteral("Flat"));
    EXPECT_EQ(flat.value(QStringLiteral("flags")).toInteger(), 0x40000);
    EXPECT_TRUE(flat.value(QStringLiteral("children")).toArray().isEmpty());
    EXPECT_EQ(flat.value(QStringLiteral("target")).toString(), QString());
    EXPECT_EQ(proj.value(QStringLiteral("key")).toString(), QStringLiteral("PROJ"));
    EXPECT_EQ(proj.value(QStringLiteral("project")).toString(), dir.PathOf(QStringLiteral("p/Proj")));
    EXPECT_EQ(proj.value(QStringLiteral("target")).toString(), dir.PathOf(QStringLiteral("t/Proj")));
    EXPECT_EQ(Child(proj, 0).value(QStringLiteral("displayName")).toString(), QStringLiteral("sub"));
}

TEST_F(DocumentVerbs, TreeShowsStatesSortedChildrenAndSettings)
{
    dir.MakeFolder(QStringLiteral("p/Proj/beta"));
    dir.MakeFolder(QStringLiteral("p/Proj/Alpha"));
    dir.MakeFolder(QStringLiteral("p/Proj/alpha2"));
    dir.WriteFile(QStringLiteral("p/Proj/new.txt"), "n");
    dir.MakeFolder(QStringLiteral("t/Proj/beta"));
    ASSERT_EQ(Run({"new", "d.snc"}).code, 0);
    ASSERT_EQ(Run({"add", "d.snc", "p/Proj", "t/Proj"}).code, 0);
    ASSERT_EQ(Run({"set", "d.snc", "Proj/beta", "--no-sync", "on", "--filters", "x,y"}).code, 0);
    ASSERT_EQ(Run({"set", "d.snc", "--common-filters", "c1,c2"}).code, 0);

    QJsonObject tree = Tree();
    EXPECT_EQ(tree.value(QStringLiteral("commonFilters")).toArray(), (QJsonArray{"c1", "c2"}));
    QJsonObject proj = Child(tree.value(QStringLiteral("root")).toObject(), 0);
    EXPECT_EQ(proj.value(QStringLiteral("state")).toInt(), 1); // both folders exist; files not scanned
    QStringList order;
    for (const QJsonValue child : proj.value(QStringLiteral("children")).toArray())
        order << child.toObject().value(QStringLiteral("displayName")).toString();
    EXPECT_EQ(order, (QStringList{"Alpha", "alpha2", "beta"})); // code-unit order, as the tree sorts
    const QJsonObject alpha = Child(proj, 0);
    EXPECT_EQ(alpha.value(QStringLiteral("state")).toInt(), 5);
    EXPECT_TRUE(alpha.value(QStringLiteral("ownFilters")).isNull());
    const QJsonObject beta = Child(proj, 2);
    EXPECT_EQ(beta.value(QStringLiteral("state")).toString(), QStringLiteral("excluded"));
    EXPECT_EQ(beta.value(QStringLiteral("ownFilters")).toArray(), (QJsonArray{"x", "y"}));
    EXPECT_EQ(beta.value(QStringLiteral("flags")).toInteger(), 0x20010);

    proj = Child(Tree({QStringLiteral("--scan")}).value(QStringLiteral("root")).toObject(), 0);
    EXPECT_EQ(proj.value(QStringLiteral("state")).toInt(), 3); // new.txt only in the project folder

    const CliResult text = Run({"tree", "d.snc"});
    EXPECT_EQ(text.code, 0);
    const QStringList lines = text.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("common-filters=c1,c2")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("  Proj  state=1  project=")));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("    beta  state=excluded  ")));
    EXPECT_TRUE(lines[4].contains(QStringLiteral("no-sync  filters=x,y  flags=0x00020010")));
}

TEST_F(DocumentVerbs, SetRenamesAppliesToSubtreesAndSwitches)
{
    dir.MakeFolder(QStringLiteral("p/Proj/sub/deeper"));
    dir.MakeFolder(QStringLiteral("p/Other"));
    ASSERT_EQ(Run({"new", "d.snc"}).code, 0);
    ASSERT_EQ(Run({"add", "d.snc", "p/Proj"}).code, 0);
    ASSERT_EQ(Run({"add", "d.snc", "p/Other"}).code, 0);

    EXPECT_EQ(Run({"set", "d.snc", "proj", "--filters", "f", "--subtree"}).code, 0);
    EXPECT_EQ(Run({"set", "d.snc", "Proj", "--name", "Renamed"}).code, 0);
    const CliResult taken = Run({"set", "d.snc", "Other", "--name", "RENAMED"});
    EXPECT_EQ(taken.code, 2);
    EXPECT_TRUE(taken.err.contains(QStringLiteral("すでに登録されています")));
    EXPECT_EQ(Run({"set", "d.snc", "Renamed/sub", "--name", "x"}).code, 2);
    EXPECT_EQ(Run({"set", "d.snc", "Nowhere", "--no-sync", "on"}).code, 2);
    EXPECT_EQ(Run({"set", "d.snc", "Renamed", "--no-sync", "maybe"}).code, 2);
    EXPECT_EQ(Run({"set", "d.snc", "Renamed/sub", "--no-subfolders", "on"}).code, 0);

    QJsonObject root = Tree().value(QStringLiteral("root")).toObject();
    QJsonObject renamed = Child(root, 1);
    EXPECT_EQ(renamed.value(QStringLiteral("key")).toString(), QStringLiteral("RENAMED"));
    EXPECT_EQ(renamed.value(QStringLiteral("name")).toString(), QStringLiteral("Renamed"));
    EXPECT_EQ(renamed.value(QStringLiteral("ownFilters")).toArray(), QJsonArray{"f"});
    QJsonObject sub = Child(renamed, 0);
    EXPECT_EQ(sub.value(QStringLiteral("ownFilters")).toArray(), QJsonArray{"f"});
    EXPECT_EQ(sub.value(QStringLiteral("flags")).toInteger(), 0x40010);
    EXPECT_TRUE(sub.value(QStringLiteral("children")).toArray().isEmpty());

    EXPECT_EQ(Run({"set", "d.snc", "Renamed/sub", "--no-subfolders", "off", "--filters", "common"}).code, 0);
    EXPECT_EQ(Run({"set", "d.snc", "Renamed", "--name", ""}).code, 0);
    root = Tree().value(QStringLiteral("root")).toObject();
    renamed = Child(root, 1);
    EXPECT_EQ(renamed.value(QStringLiteral("key")).toString(), QStringLiteral("PROJ"));
    sub = Child(renamed, 0);
    EXPECT_TRUE(sub.value(QStringLiteral("ownFilters")).isNull());
    EXPECT_EQ(Child(sub, 0).value(QStringLiteral("displayName")).toString(), QStringLiteral("deeper"));
    // The deeper node came back with the common settings.
    EXPECT_TRUE(Child(sub, 0).value(QStringLiteral("ownFilters")).isNull());
}

TEST_F(DocumentVerbs, DamagedDocumentsGiveAMessageAndExitCode2)
{
    dir.WriteFile(QStringLiteral("bad.snc"), QByteArray::fromHex("0100fffeff03"));
    for (const QStringList& arguments : {QStringList{"tree", "bad.snc"}, QStringList{"add", "bad.snc", "."},
             QStringList{"set", "bad.snc", "--common-filters", "a"}}) {
        const CliResult result = Run(arguments);
        EXPECT_EQ(result.code, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(dir.PathOf(QStringLiteral("bad.snc"))));
        EXPECT_TRUE(result.err.contains(QStringLiteral("予期しない形式のファイルです。")));
    }
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("bad.snc"))), QByteArray::fromHex("0100fffeff03"));
}

// Folders whose names differ only in letter case are two nodes; the tree
// shows each under the key its document stores it under, so a script can
// tell them apart.
TEST_F(DocumentVerbs, TreeGivesCaseVariantFoldersTheirOwnKeys)
{
    dir.MakeFolder(QStringLiteral("p/Proj/Foo"));
    dir.MakeFolder(QStringLiteral("p/Proj/foo"));
    dir.MakeFolder(QStringLiteral("t/Proj"));
    ASSERT_EQ(Run({"new", "d.snc"}).code, 0);
    ASSERT_EQ(Run({"add", "d.snc", "p/Proj", "t/Proj"}).code, 0);

    const QJsonObject proj = Child(Tree().value(QStringLiteral("root")).toObject(), 0);
    QStringList keys;
    QStringList names;
    for (const QJsonValue& child : proj.value(QStringLiteral("children")).toArray()) {
        keys << child.toObject().value(QStringLiteral("key")).toString();
        names << child.toObject().value(QStringLiteral("displayName")).toString();
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Foo"), QStringLiteral("foo")}));
    ASSERT_EQ(keys.size(), 2);
    EXPECT_NE(keys.at(0), keys.at(1));
    EXPECT_TRUE(keys.contains(QStringLiteral("FOO")));
}
