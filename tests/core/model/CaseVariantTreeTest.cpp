// Folders whose names differ only in letter case are nodes of their own, with
// their own settings through rescans, saving and loading; their keys stay
// unique among siblings, and trees without case variants are stored as always.
#include "core/engine/Keys.h"
#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/NodePath.h"
#include "core/model/ProjectArchive.h"
#include "core/platform/Prompt.h"
#include "core/settings/CAppOptionSync.h"
#include "support/TestDir.h"

#include <QBuffer>
#include <QDir>
#include <gtest/gtest.h>

namespace {

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QStringList ChildKeys(const CProject& node)
{
    QStringList keys;
    for (const auto& entry : node.Children())
        keys << entry.first;
    return keys;
}

// Every node with its key, paths and settings, parents first.
QString Describe(const CProject& root)
{
    QString text;
    std::vector<std::pair<const CProject*, int>> pending{{&root, 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        const auto& children = node->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            const CSyncProject& child = *it->second;
            pending.emplace_back(&child, depth + 1);
        }
        if (node == &root)
            continue;
        const auto& self = static_cast<const CSyncProject&>(*node);
        const QString key = [&] {
            for (const auto& [key, child] : node->GetParent()->Children()) {
                if (child.get() == &self)
                    return key;
            }
            return QString();
        }();
        text += QStringLiteral("%1%2 flags=%3 p=%4 t=%5 filters=%6 options=%7\n")
                    .arg(QString(depth, QLatin1Char(' ')), key)
                    .arg(self.GetFlags() & ~NodeFlag::Changed, 0, 16)
                    .arg(self.GetFolder(0), self.GetFolder(1), self.GetOwnFilterSelection().join(QLatin1Char(',')))
                    .arg(self.GetEffectiveSyncOptions().Flags, 0, 16);
    }
    return text;
}

QByteArray Store(const CMyDoc& doc)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(StoreDocumentArchive(buffer, doc.GetRoot(), doc.GetCommonFilterSelection()));
    return bytes;
}

class CaseVariantTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalFilterSet().RemoveAll();
        dir.MakeFolder(S("P"));
        dir.MakeFolder(S("T"));
    }
    void TearDown() override { GlobalFilterSet().RemoveAll(); }

    CSyncProject& AddProject(CMyDoc& into)
    {
        auto node = std::make_unique<CSyncProject>(&into.GetRoot());
        node->SetFolders(dir.PathOf(S("P")), dir.PathOf(S("T")));
        CSyncProject& project = into.GetRoot().AddChild(std::move(node));
        project.Refresh(true);
        return project;
    }
    QString P(const char* relative) const { return dir.PathOf(S("P/") + S(relative)); }
    QString T(const char* relative) const { return dir.PathOf(S("T/") + S(relative)); }
    void Rename(const char* from, const char* to)
    {
        ASSERT_TRUE(QDir().rename(dir.PathOf(S(from)), dir.PathOf(S(to))));
    }

    TestDir dir;
    CScriptedPrompt prompt;
    CPromptScope scope{prompt};
    CMyDoc doc;
};

} // namespace

TEST_F(CaseVariantTree, FoldersDifferingInCaseAreNodesOfTheirOwn)
{
    dir.WriteFile(S("P/Foo/a.txt"), "a");
    dir.WriteFile(S("P/foo/b.txt"), "b");
    dir.WriteFile(S("T/foo/b.txt"), "b");
    CSyncProject& project = AddProject(doc);

    // The plain key goes to the first spelling in name order, the other gets a variant key.
    EXPECT_EQ(ChildKeys(project), (QStringList{S("FOO"), S("FOO<case:foo>")}));
    CSyncProject* upper = project.FindChild(S("Foo"));
    CSyncProject* lower = project.FindChild(S("foo"));
    ASSERT_NE(upper, nullptr);
    ASSERT_NE(lower, nullptr);
    EXPECT_NE(upper, lower);
    EXPECT_EQ(project.FindChild(S("FOO")), nullptr); // two candidates: neither
    EXPECT_EQ(upper->GetFolder(0), P("Foo"));
    EXPECT_EQ(upper->GetFolder(1), T("Foo")); // where its copy goes, never into foo
    EXPECT_EQ(lower->GetFolder(0), P("foo"));
    EXPECT_EQ(lower->GetFolder(1), T("foo"));
    EXPECT_NE(upper->FolderStatus().FindRecord(S("a.txt")), nullptr);
    EXPECT_EQ(upper->FolderStatus().FindRecord(S("b.txt")), nullptr);
    EXPECT_EQ(lower->FolderStatus().FindRecord(S("b.txt"))->GetState(), SyncSame);
    EXPECT_EQ(upper->GetFolderState(true), SyncProjectOnly);
    EXPECT_EQ(lower->GetFolderState(true), SyncSame);
    EXPECT_EQ(FindNodeByDisplayPath(doc.GetRoot(), S("P/foo")), lower);
    EXPECT_EQ(FindNodeByDisplayPath(doc.GetRoot(), S("P/Foo")), upper);
    EXPECT_EQ(DisplayPathOf(*lower), S("P/foo"));

    // Rescanning changes nothing.
    const QString before = Describe(doc.GetRoot());
    project.Refresh(true);
    EXPECT_EQ(Describe(doc.GetRoot()), before);
}

TEST_F(CaseVariantTree, PairingOfFoldersAcrossTheSides)
{
    // A target folder that folds case: the single variant pairs.
    dir.MakeFolder(S("P/Docs/Sub"));
    dir.MakeFolder(S("T/DOCS/SUB"));
    // Ambiguous: two spellings on the project side, a third on the target.
    dir.MakeFolder(S("P/Lib"));
    dir.MakeFolder(S("P/LIB"));
    dir.MakeFolder(S("T/lib"));
    CSyncProject& project = AddProject(doc);
    EXPECT_EQ(ChildKeys(project), (QStringList{S("DOCS"), S("LIB"), S("LIB<case:Lib>"), S("LIB<case:lib>")}));
    CSyncProject& docs = *project.FindChild(S("Docs"));
    EXPECT_EQ(docs.GetFolder(1), T("DOCS"));
    EXPECT_EQ(docs.FindChild(S("Sub"))->GetFolder(1), T("DOCS/SUB"));
    EXPECT_EQ(project.FindChild(S("Lib"))->GetFolder(1), T("Lib"));
    EXPECT_EQ(project.FindChild(S("LIB"))->GetFolder(1), T("LIB"));
    EXPECT_EQ(project.FindChild(S("lib"))->GetFolder(0), P("lib"));
    EXPECT_EQ(project.FindChild(S("lib"))->GetFolderState(false), SyncTargetOnly);
}

TEST_F(CaseVariantTree, ALaterSpellingIsSeenAndEachNodeKeepsItsFolder)
{
    dir.MakeFolder(S("P/Foo"));
    dir.WriteFile(S("T/FOO/x.txt"), "x");
    CSyncProject& project = AddProject(doc);
    ASSERT_EQ(project.ChildCount(), 1);
    CSyncProject* first = project.FindChild(S("Foo"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetFolder(1), T("FOO"));
    first->SetNoSync(true);

    // FOO appears on the project side: it takes the target's FOO, and Foo's
    // node (with its switch) goes back to a target folder of its own spelling.
    dir.MakeFolder(S("P/FOO"));
    project.Refresh(true);
    EXPECT_EQ(ChildKeys(project), (QStringList{S("FOO"), S("FOO<case:FOO>")}));
    EXPECT_EQ(project.FindChild(S("Foo")), first);
    EXPECT_TRUE(first->IsNoSync());
    EXPECT_EQ(first->GetFolder(1), T("Foo"));
    CSyncProject* second = project.FindChild(S("FOO"));
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(second->IsNoSync());
    EXPECT_EQ(second->GetFolder(1), T("FOO"));
    EXPECT_NE(second->FolderStatus().FindRecord(S("x.txt")), nullptr);

    // Foo goes: FOO takes the plain key back.
    ASSERT_TRUE(QDir(P("Foo")).removeRecursively());
    project.Refresh(true);
    EXPECT_EQ(ChildKeys(project), (QStringList{S("FOO")}));
    EXPECT_EQ(project.FindChild(S("FOO")), second);
}

TEST_F(CaseVariantTree, AFolderRenamedInLetterCaseKeepsItsNodeAndSettings)
{
    dir.MakeFolder(S("P/Docs/inner"));
    dir.MakeFolder(S("T/Docs/inner"));
    CSyncProject& project = AddProject(doc);
    CSyncProject* docs = project.FindChild(S("Docs"));
    ASSERT_NE(docs, nullptr);
    docs->ApplyFilterSetting(false, {S("own")}, false);
    Rename("P/Docs", "P/DOCS");
    Rename("T/Docs", "T/DOCS");
    project.Refresh(true);
    ASSERT_EQ(project.ChildCount(), 1);
    EXPECT_EQ(project.FindChild(S("DOCS")), docs);
    EXPECT_EQ(docs->GetOwnFilterSelection(), QStringList{S("own")});
    EXPECT_EQ(docs->GetFolder(0), P("DOCS"));
    EXPECT_EQ(docs->GetFolder(1), T("DOCS"));
    EXPECT_EQ(docs->FindChild(S("inner"))->GetFolder(1), T("DOCS/inner"));
}

TEST_F(CaseVariantTree, EachVariantKeepsItsSettingsThroughSaveAndLoad)
{
    for (const char* name : {"Foo/sub", "foo/sub", "FOO/sub"}) {
        dir.MakeFolder(S("P/") + S(name));
        dir.MakeFolder(S("T/") + S(name));
    }
    CSyncProject& project = AddProject(doc);
    ASSERT_EQ(project.ChildCount(), 3);
    project.FindChild(S("Foo"))->SetNoSync(true);
    project.FindChild(S("foo"))->SetNoSubfolderSearch(true);
    project.FindChild(S("foo"))->ApplyFilterSetting(false, {S("lower")}, false);
    CAppOptionSync own;
    own.Flags = SyncFlags::fromInt(0x0F);
    project.FindChild(S("FOO"))->ApplySyncOptions(false, own, true);
    project.FindChild(S("FOO"))->ApplyFilterSetting(false, {S("upper"), S("more")}, false);
    project.Refresh(true);
    EXPECT_EQ(ChildKeys(project), (QStringList{S("FOO"), S("FOO<case:Foo>"), S("FOO<case:foo>")}));
    EXPECT_EQ(project.FindChild(S("foo"))->ChildCount(), 0);
    const QString described = Describe(doc.GetRoot());
    EXPECT_TRUE(described.contains(S("FOO<case:Foo> flags=20000")));

    const QString path = dir.PathOf(S("variants.snc"));
    ASSERT_TRUE(doc.OnSaveDocument(path));
    const QByteArray first = TestDir::ReadFile(path);
    CMyDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(path)) << reopened.LastError().toStdString();
    // The own options write nothing: they come back as the defaults, with their bit.
    EXPECT_EQ(Describe(reopened.GetRoot()), QString(described).replace(S("options=f\n"), S("options=40\n")));
    const QString second = dir.PathOf(S("again.snc"));
    ASSERT_TRUE(reopened.OnSaveDocument(second));
    EXPECT_EQ(TestDir::ReadFile(second), first);
}

TEST_F(CaseVariantTree, TreesWithoutVariantsAreStoredAsAlways)
{
    dir.MakeFolder(S("P/Alpha/beta"));
    dir.MakeFolder(S("T/gamma"));
    dir.MakeFolder(S("P/Straße"));
    CSyncProject& project = AddProject(doc);
    EXPECT_EQ(ChildKeys(project), (QStringList{S("ALPHA"), S("GAMMA"), MakeKey(S("Straße"))}));
    EXPECT_EQ(ChildKeys(*project.FindChild(S("Alpha"))), QStringList{S("BETA")});

    // The same tree built node by node, each under its GetKey(), stores the same bytes.
    CMyDoc manual;
    auto top = std::make_unique<CSyncProject>(&manual.GetRoot());
    top->SetFolders(dir.PathOf(S("P")), dir.PathOf(S("T")));
    CSyncProject& built = manual.GetRoot().AddChild(std::move(top));
    const auto add = [](CProject& parent, const QString& p, const QString& t) -> CProject& {
        auto node = std::make_unique<CSyncProject>(&parent);
        node->SetFolders(p, t);
        return parent.AddChild(std::move(node));
    };
    add(add(built, P("Alpha"), T("Alpha")), P("Alpha/beta"), T("Alpha/beta"));
    add(built, P("gamma"), T("gamma"));
    add(built, P("Straße"), T("Straße"));
    EXPECT_EQ(Store(doc).toHex(), Store(manual).toHex());

    // Variants that come and go leave the same bytes behind.
    dir.MakeFolder(S("P/ALPHA"));
    project.Refresh(true);
    EXPECT_EQ(project.ChildCount(), 4);
    ASSERT_TRUE(QDir(P("ALPHA")).removeRecursively());
    project.Refresh(true);
    EXPECT_EQ(Store(doc).toHex(), Store(manual).toHex());
}
