#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/ProjectArchive.h"
#include "core/model/SncArchive.h"
#include "core/platform/FileName.h"
#include "core/platform/Prompt.h"
#include "core/settings/CAppOptionSync.h"
#include "support/TestDir.h"

#include <QBuffer>
#include <csignal>
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// A string as the archive writes it: the 16-bit mark, a short length, UTF-16LE.
QByteArray Str(const QString& text)
{
    QByteArray bytes = Hex("fffeff");
    bytes.append(char(text.size()));
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

const QByteArray kClassIntro = Hex("ffff01000c00") + QByteArray("CSyncProject");

QByteArray Store(const CMyDoc& doc)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(StoreDocumentArchive(buffer, doc.GetRoot(), doc.GetCommonFilterSelection()));
    return bytes;
}

bool Load(const QByteArray& bytes, CAppProject& root, QStringList& common, QString* error = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return LoadDocumentArchive(buffer, root, common, error);
}

CSyncProject& AddNode(CProject& parent, const QString& project, const QString& target)
{
    auto node = std::make_unique<CSyncProject>(&parent);
    node->SetFolders(project, target);
    return parent.AddChild(std::move(node));
}

// Everything a node keeps in the file, one line per node, parents first.
QString Describe(const CProject& root)
{
    QString text;
    root.ForEachDescendant([&](CSyncProject& node) {
        int depth = 0;
        for (const CProject* p = node.GetParent(); p; p = p->GetParent())
            ++depth;
        text += QStringLiteral("%1%2 name=%3 flags=%4 p=%5 t=%6 own=%7\n")
                    .arg(QString(depth, QLatin1Char(' ')), node.GetKey(), node.GetName())
                    .arg(node.GetFlags(), 0, 16)
                    .arg(node.GetFolder(0), node.GetFolder(1), node.GetOwnFilterSelection().join(QLatin1Char(',')));
    });
    return text;
}

class DocumentFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalFilterSet().RemoveAll();
    }
    TestDir dir;
    CScriptedPrompt prompt;
    CPromptScope scope{prompt};
};

} // namespace

TEST_F(DocumentFile, EmptyDocumentIsEightBytes)
{
    CMyDoc doc;
    EXPECT_EQ(Store(doc), Hex("0000 fffeff00 0000"));
    const QString path = dir.PathOf(QStringLiteral("empty.snc"));
    ASSERT_TRUE(doc.OnSaveDocument(path));
    EXPECT_EQ(TestDir::ReadFile(path), Hex("0000fffeff000000"));
}

TEST_F(DocumentFile, OneProjectByteForByte)
{
    CMyDoc doc;
    const QString p = QStringLiteral("/nowhere/p/Foo");
    const QString t = QStringLiteral("/nowhere/t");
    AddNode(doc.GetRoot(), p, t);
    const QByteArray expected = Hex("0100") + Str(QStringLiteral("FOO")) + kClassIntro + Hex("0000") + Str({})
        + Hex("00000000") + Str(p) + Str(t) + Str(p) + Str(t) + Str({}) + Hex("0000");
    EXPECT_EQ(Store(doc).toHex(), expected.toHex());
}

TEST_F(DocumentFile, SecondProjectIsTaggedWithTheClassIndex)
{
    CMyDoc doc;
    AddNode(doc.GetRoot(), QStringLiteral("/n/A"), QStringLiteral("/m/A"));
    CSyncProject& b = AddNode(doc.GetRoot(), QStringLiteral("/n/B"), QStringLiteral("/m/B"));
    AddNode(b, QStringLiteral("/n/B/c"), QStringLiteral("/m/B/c"));
    const auto record = [](const QString& key, const QString& p, const QString& t, const QByteArray& tag,
                            const QByteArray& children) -> QByteArray {
        return Str(key) + tag + children + Str({}) + Hex("00000000") + Str(p) + Str(t) + Str(p) + Str(t);
    };
    const QByteArray c = Hex("0100") + record(QStringLiteral("C"), "/n/B/c", "/m/B/c", Hex("0180"), Hex("0000"));
    const QByteArray expected = Hex("0200") + record(QStringLiteral("A"), "/n/A", "/m/A", kClassIntro, Hex("0000"))
        + record(QStringLiteral("B"), "/n/B", "/m/B", Hex("0180"), c) + Str({}) + Hex("0000");
    EXPECT_EQ(Store(doc).toHex(), expected.toHex());
}

TEST_F(DocumentFile, OwnSelectionOnlyWithBit4AndNothingForOwnOptions)
{
    CMyDoc doc;
    doc.SetCommonFilterSelection({QStringLiteral("c1"), QStringLiteral("c2")});
    CSyncProject& node = AddNode(doc.GetRoot(), QStringLiteral("/x/K"), QStringLiteral("/y/K"));
    CAppOptionSync own;
    own.Flags = SyncFlags::fromInt(0x0F);
    node.ApplySyncOptions(false, own, false);
    node.ApplyFilterSetting(false, {QStringLiteral("f")}, false);
    node.SetFlags(node.GetFlags() | NodeFlag::Changed | NodeFlags::fromInt(0x80000000));
    const QByteArray expected = Hex("0100") + Str(QStringLiteral("K")) + kClassIntro + Hex("0000") + Str({})
        + Hex("30000080") + Str("/x/K") + Str("/y/K") + Hex("0100") + Str(QStringLiteral("f")) + Str("/x/K")
        + Str("/y/K") + Str({}) + Hex("0200") + Str(QStringLiteral("c1")) + Str(QStringLiteral("c2"));
    EXPECT_EQ(Store(doc).toHex(), expected.toHex());

    // Read back: bit 5 stays, but the own options are the defaults; Changed is never read.
    CAppProject root;
    QStringList common{QStringLiteral("kept")};
    ASSERT_TRUE(Load(expected, root, common));
    EXPECT_EQ(common, (QStringList{"kept", "c1", "c2"}));
    CSyncProject* read = root.FindChild(QStringLiteral("k"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetFlags(), 0x80000030u);
    EXPECT_EQ(read->GetOwnSyncOptions().Flags, SyncFlag::Default);
    EXPECT_EQ(read->GetEffectiveSyncOptions().Flags, SyncFlag::Default);
    EXPECT_EQ(read->GetOwnFilterSelection(), QStringList{"f"});
    EXPECT_EQ(read->GetParent(), &root);
}

TEST_F(DocumentFile, OwnFilterWithCountZeroEnablesNothing)
{
    auto entry = std::make_unique<FilterEntry>();
    entry->ParseStoredText(QStringLiteral("all"), QStringLiteral("!*"));
    GlobalFilterSet().append(std::move(entry));
    const QByteArray bytes = Hex("0100") + Str(QStringLiteral("K")) + kClassIntro + Hex("0000") + Str({})
        + Hex("10000000") + Str("/x/K") + Str("/y/K") + Hex("0000") + Str("/x/K") + Str("/y/K") + Str({}) + Hex("0100")
        + Str(QStringLiteral("all"));
    CMyDoc doc;
    ASSERT_TRUE(Load(bytes, doc.GetRoot(), const_cast<QStringList&>(doc.GetCommonFilterSelection())));
    CSyncProject* node = doc.GetRoot().FindChild(QStringLiteral("K"));
    ASSERT_NE(node, nullptr);
    node->SetDocument(&doc);
    EXPECT_TRUE(node->HasFlag(NodeFlag::OwnFilter));
    EXPECT_TRUE(node->GetEffectiveFilterSelection().isEmpty());
    EXPECT_FALSE(node->IsExcludedByFilter(QStringLiteral("anything")));
}

TEST_F(DocumentFile, EightBitStringsAndTheObjectEscapeAreRead)
{
    // Strings of older writers in the Japanese Windows code page (CP932).
    const auto str8 = [](const QByteArray& local) -> QByteArray { return QByteArray(1, char(local.size())) + local; };
    const QByteArray p8("/home/\x83\x65\x83\x58\x83\x67/Caf\xe9");
    const QString p = QStringLiteral("/home/テスト/Café");
    // The second node's tag uses the 32-bit form of class 1.
    const QByteArray node = Hex("0000") + str8("Caisse") + Hex("01000000") + str8(p8) + str8(p8) + str8(p8) + str8(p8);
    const QByteArray bytes = Hex("0200") + str8("\x83\x4a\x83\x74\x83\x46") + kClassIntro + Hex("0000") + str8({})
        + Hex("00000000") + str8(p8) + str8(p8) + str8(p8) + str8(p8) + str8("CAISSE") + Hex("ff7f01000080") + node
        + str8({}) + Hex("0100") + str8("\x83\x74\x83\x42\x83\x8b\x83\x5e");
    CAppProject root;
    QStringList common;
    QString error;
    ASSERT_TRUE(Load(bytes, root, common, &error)) << error.toStdString();
    EXPECT_EQ(common, QStringList{QStringLiteral("フィルタ")});
    // The keys are kept as stored.
    QStringList keys;
    for (const auto& entry : root.Children())
        keys << entry.first;
    EXPECT_EQ(keys, (QStringList{QStringLiteral("CAISSE"), QStringLiteral("カフェ")}));
    ASSERT_NE(root.FindChild(QStringLiteral("café")), nullptr);
    EXPECT_EQ(root.FindChild(QStringLiteral("café"))->GetFolder(0), p);
    ASSERT_NE(root.FindChild(QStringLiteral("caisse")), nullptr);
    EXPECT_EQ(root.FindChild(QStringLiteral("caisse"))->GetFlags(), 1u);

    // Written again, every string is in 16-bit characters.
    CMyDoc doc;
    ASSERT_TRUE(Load(bytes, doc.GetRoot(), const_cast<QStringList&>(doc.GetCommonFilterSelection())));
    CAppProject again;
    QStringList againCommon;
    ASSERT_TRUE(Load(Store(doc), again, againCommon));
    EXPECT_EQ(Describe(again), Describe(doc.GetRoot()));
}

TEST_F(DocumentFile, ManyNodesKeepTheShortClassTag)
{
    CMyDoc doc;
    constexpr int kCount = 0x8100; // more objects than 15-bit indices can name
    for (int i = 0; i < kCount; ++i)
        AddNode(doc.GetRoot(), QStringLiteral("/p/n%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("/t"));
    const QByteArray bytes = Store(doc);
    EXPECT_EQ(bytes.count(kClassIntro), 1);
    const QByteArray tagged = Hex("0180") + Hex("0000") + Str({});
    EXPECT_EQ(bytes.count(tagged), kCount - 1);
    EXPECT_EQ(bytes.left(2), Hex("0081"));
    CAppProject root;
    QStringList common;
    ASSERT_TRUE(Load(bytes, root, common));
    EXPECT_EQ(root.ChildCount(), kCount);
}

TEST_F(DocumentFile, CountsFrom0xFFFFUseTheEscape)
{
    CMyDoc doc;
    QStringList names;
    for (int i = 0; i < 70000; ++i)
        names << QStringLiteral("f%1").arg(i % 7);
    doc.SetCommonFilterSelection(names);
    const QByteArray bytes = Store(doc);
    EXPECT_EQ(bytes.left(12), Hex("0000 fffeff00 ffff 70110100"));
    CAppProject root;
    QStringList common;
    ASSERT_TRUE(Load(bytes, root, common));
    EXPECT_EQ(common, names);
}

TEST_F(DocumentFile, DeepTreeWithSettingsRoundTripsThroughAFile)
{
    // Real folders, so that the rescan after reading keeps every node.
    QString relative = QStringLiteral("proj/Top");
    for (int depth = 0; depth < 40; ++depth) {
        relative += QStringLiteral("/d%1").arg(depth);
        dir.MakeFolder(relative);
    }
    dir.MakeFolder(QStringLiteral("proj/Top/d0/side"));
    dir.MakeFolder(QStringLiteral("target/Top/d0/onlyThere"));

    CMyDoc doc;
    doc.SetCommonFilterSelection({QStringLiteral("common one")});
    CSyncProject& top
        = AddNode(doc.GetRoot(), dir.PathOf(QStringLiteral("proj/Top")), dir.PathOf(QStringLiteral("target/Top")));
    top.Refresh(true);
    top.SetName(QStringLiteral("Custom Name"));
    doc.GetRoot().AddChild(doc.GetRoot().DetachChild(QStringLiteral("TOP")));
    CSyncProject* d5 = &top;
    for (int depth = 0; depth <= 5; ++depth)
        d5 = d5->FindChild(QStringLiteral("d%1").arg(depth));
    ASSERT_NE(d5, nullptr);
    d5->ApplyFilterSetting(false, {QStringLiteral("x"), QStringLiteral("y")}, true);
    d5->SetNoSync(true);
    top.FindChild(QStringLiteral("d0"))->FindChild(QStringLiteral("side"))->SetNoSubfolderSearch(true);
    CAppOptionSync own;
    own.Flags = SyncFlags::fromInt(0x1F);
    top.FindChild(QStringLiteral("d0"))->ApplySyncOptions(false, own, false);
    ASSERT_TRUE(doc.GetRoot().IsChanged());

    const QString path = dir.PathOf(QStringLiteral("deep.snc"));
    ASSERT_TRUE(doc.OnSaveDocument(path));
    EXPECT_FALSE(doc.GetRoot().IsChanged()); // stored: no node is changed any more
    EXPECT_FALSE(doc.IsModified());
    const QByteArray first = TestDir::ReadFile(path);

    CMyDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(path)) << reopened.LastError().toStdString();
    EXPECT_EQ(reopened.GetPathName(), path);
    EXPECT_EQ(reopened.GetTitle(), QStringLiteral("deep.snc"));
    EXPECT_EQ(reopened.GetCommonFilterSelection(), QStringList{"common one"});
    EXPECT_EQ(Describe(reopened.GetRoot()), Describe(doc.GetRoot()));
    EXPECT_FALSE(reopened.GetRoot().IsChanged());
    EXPECT_NE(reopened.GetRoot().FindChild(QStringLiteral("custom name")), nullptr);
    // The document pointer reached every node with the rescan.
    bool allHaveDocument = true;
    reopened.GetRoot().ForEachDescendant([&](CSyncProject& n) { allHaveDocument &= n.GetDocument() == &reopened; });
    EXPECT_TRUE(allHaveDocument);

    const QString second = dir.PathOf(QStringLiteral("deep2.snc"));
    ASSERT_TRUE(reopened.OnSaveDocument(second));
    EXPECT_EQ(TestDir::ReadFile(second), first);
}

TEST_F(DocumentFile, ReadingRescansAndStartsFromAnEmptyCommonSelection)
{
    dir.MakeFolder(QStringLiteral("p/Proj/new"));
    CMyDoc writer;
    AddNode(writer.GetRoot(), dir.PathOf(QStringLiteral("p/Proj")), dir.PathOf(QStringLiteral("t/Proj")));
    writer.SetCommonFilterSelection({QStringLiteral("a")});
    const QString path = dir.PathOf(QStringLiteral("d.snc"));
    ASSERT_TRUE(writer.OnSaveDocument(path));

    CMyDoc doc;
    doc.SetCommonFilterSelection({QStringLiteral("left over")});
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(doc.GetCommonFilterSelection(), QStringList{"a"});
    CSyncProject* proj = doc.GetRoot().FindChild(QStringLiteral("proj"));
    ASSERT_NE(proj, nullptr);
    ASSERT_NE(proj->FindChild(QStringLiteral("new")), nullptr); // created by the rescan
    EXPECT_TRUE(doc.GetRoot().IsChanged());
    EXPECT_FALSE(doc.IsModified());

    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
    EXPECT_TRUE(doc.GetCommonFilterSelection().isEmpty());
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("無題"));
}

TEST_F(DocumentFile, EveryDamagedFileIsRefusedAndLeavesTheDocumentEmpty)
{
    CMyDoc good;
    good.SetCommonFilterSelection({QStringLiteral("sel")});
    CSyncProject& a = AddNode(good.GetRoot(), QStringLiteral("/n/A"), QStringLiteral("/m/A"));
    a.ApplyFilterSetting(false, {QStringLiteral("own")}, false);
    AddNode(a, QStringLiteral("/n/A/s"), QStringLiteral("/m/A/s"));
    AddNode(good.GetRoot(), QStringLiteral("/n/B"), QStringLiteral("/m/B"));
    const QByteArray valid = Store(good);

    // Every truncation.
    for (qsizetype size = 0; size < valid.size(); ++size) {
        CAppProject root;
        QStringList common;
        QString error;
        EXPECT_FALSE(Load(valid.left(size), root, common, &error)) << size;
        EXPECT_EQ(root.ChildCount(), 0) << size;
        EXPECT_TRUE(common.isEmpty()) << size;
        EXPECT_FALSE(error.isEmpty()) << size;
    }

    const qsizetype intro = valid.indexOf(kClassIntro);
    const qsizetype tag = valid.indexOf(Hex("0180"));
    ASSERT_GT(intro, 0);
    ASSERT_GT(tag, 0);
    const auto patched = [&](qsizetype at, const QByteArray& with, qsizetype replaced) {
        QByteArray bytes = valid;
        bytes.replace(at, replaced, with);
        return bytes;
    };
    const struct
    {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"unknown class name", patched(intro + 6, "CSyncProjecX", 12)},
        {"root class name", patched(intro, Hex("ffff00000b00") + "CAppProject", kClassIntro.size())},
        {"null tag", patched(tag, Hex("0000"), 2)},
        {"reference to an earlier object", patched(tag, Hex("0200"), 2)},
        {"reference through the escape", patched(tag, Hex("ff7f02000000"), 2)},
        {"class index naming an object", patched(tag, Hex("0280"), 2)},
        {"malformed class tag", patched(tag, Hex("0980"), 2)},
        {"root count beyond the file", patched(0, Hex("ffff00000100"), 2)},
        {"child count beyond the file", patched(intro + kClassIntro.size(), Hex("ffff ffffffff"), 2)},
    };
    for (const auto& c : cases) {
        CAppProject root;
        QStringList common;
        EXPECT_FALSE(Load(c.bytes, root, common)) << c.what;
        EXPECT_EQ(root.ChildCount(), 0) << c.what;
    }

    // Through the document: one message naming the file, and an empty, new document.
    const QString path = dir.PathOf(QStringLiteral("broken.snc"));
    dir.WriteFile(QStringLiteral("broken.snc"), cases[0].bytes);
    CMyDoc doc;
    doc.SetCommonFilterSelection({QStringLiteral("before")});
    AddNode(doc.GetRoot(), QStringLiteral("/n/Old"), QStringLiteral("/m/Old"));
    EXPECT_FALSE(doc.OnOpenDocument(path));
    EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
    EXPECT_TRUE(doc.GetCommonFilterSelection().isEmpty());
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    ASSERT_EQ(prompt.Texts().size(), 1);
    EXPECT_TRUE(prompt.Texts().first().contains(path));
    EXPECT_TRUE(prompt.Texts().first().contains(QStringLiteral("予期しない形式のファイルです。")));

    // A missing file is reported too.
    EXPECT_FALSE(doc.OnOpenDocument(dir.PathOf(QStringLiteral("missing.snc"))));
    EXPECT_EQ(prompt.Texts().size(), 2);
    EXPECT_TRUE(doc.LastError().contains(QStringLiteral("missing.snc")));
}

TEST_F(DocumentFile, NestingIsLimitedTo4096Levels)
{
    const auto chain = [](int depth) {
        CAppProject root;
        CProject* parent = &root;
        for (int i = 0; i < depth; ++i)
            parent = &AddNode(*parent, QStringLiteral("/x/n"), QStringLiteral("/y/n"));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(StoreDocumentArchive(buffer, root, {}));
        return bytes;
    };
    {
        CAppProject root;
        QStringList common;
        ASSERT_TRUE(Load(chain(kMaxNodeDepth), root, common));
        int depth = 0;
        for (const CProject* node = &root; node->ChildCount() == 1; node = node->Children().begin()->second.get())
            ++depth;
        EXPECT_EQ(depth, kMaxNodeDepth);
    }
    CAppProject root;
    QStringList common;
    QString error;
    EXPECT_FALSE(Load(chain(kMaxNodeDepth + 1), root, common, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("4096")));
    EXPECT_EQ(root.ChildCount(), 0);
}

TEST_F(DocumentFile, AFailedSaveLeavesTheOldFileAndTheChangedNodes)
{
    const QString path = dir.PathOf(QStringLiteral("keep.snc"));
    CMyDoc doc;
    ASSERT_TRUE(doc.OnSaveDocument(path));
    const QByteArray old = TestDir::ReadFile(path);

    CSyncProject& node = AddNode(doc.GetRoot(), QStringLiteral("/n/") + QString(300, QLatin1Char('L')), QString());
    node.SetChanged(true);
    doc.SetModifiedFlag(true);
    // A disk that takes no more than 64 bytes per file.
    struct rlimit saved
    {
    };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = doc.OnSaveDocument(path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(TestDir::ReadFile(path), old);
    EXPECT_TRUE(doc.GetRoot().IsChanged());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(prompt.Texts().size(), 1);
    // No temporary file is left beside the document.
    DIR* folder = ::opendir(EncodeFileName(dir.Path()).constData());
    ASSERT_NE(folder, nullptr);
    QStringList names;
    while (dirent* entry = ::readdir(folder))
        names << QString::fromUtf8(entry->d_name);
    ::closedir(folder);
    names.sort();
    EXPECT_EQ(names, (QStringList{".", "..", "keep.snc"}));
}

TEST_F(DocumentFile, SavingThroughALinkReplacesTheFileBehindIt)
{
    const QString real = dir.PathOf(QStringLiteral("real.snc"));
    CMyDoc doc;
    ASSERT_TRUE(doc.OnSaveDocument(real));
    ::chmod(EncodeFileName(real).constData(), 0640);
    const QString link = dir.MakeLink(QStringLiteral("link.snc"), real);
    AddNode(doc.GetRoot(), QStringLiteral("/n/A"), QString());
    ASSERT_TRUE(doc.OnSaveDocument(link));
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(EncodeFileName(link).constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(EncodeFileName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(TestDir::ReadFile(real), Store(doc));
}

TEST_F(DocumentFile, SaveModifiedAsksOnlyWhenSomethingChanged)
{
    const QString path = dir.PathOf(QStringLiteral("ask.snc"));
    CMyDoc doc;
    ASSERT_TRUE(doc.OnSaveDocument(path));
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_TRUE(prompt.Requests().empty());

    // A changed node makes the document modified and asks.
    AddNode(doc.GetRoot(), QStringLiteral("/n/A"), QString()).SetChanged(true);
    prompt.Push(PromptAnswer::Cancel);
    EXPECT_FALSE(doc.SaveModified());
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests()[0].text, QStringLiteral("ask.snc への変更を保存しますか?"));
    EXPECT_EQ(prompt.Requests()[0].buttons, PromptButtons::YesNoCancel);
    EXPECT_TRUE(doc.IsModified());

    prompt.Push(PromptAnswer::No);
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(TestDir::ReadFile(path), Hex("0000fffeff000000"));

    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(TestDir::ReadFile(path), Store(doc));

    // Auto-sync mode never asks, changed or not.
    doc.GetRoot().FindChild(QStringLiteral("a"))->SetChanged(true);
    doc.SetAutoSyncMode(true);
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(prompt.Requests().size(), 3u);

    // A new document without a path asks for one; without an answer it is not saved.
    CMyDoc untitled;
    untitled.SetModifiedFlag(true);
    prompt.Push(PromptAnswer::Yes);
    EXPECT_FALSE(untitled.SaveModified());
    const QString chosen = dir.PathOf(QStringLiteral("chosen.snc"));
    untitled.SetSavePathChooser([&](const QString& title) {
        EXPECT_EQ(title, QStringLiteral("無題"));
        return chosen;
    });
    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(untitled.SaveModified());
    EXPECT_EQ(untitled.GetPathName(), chosen);
    EXPECT_TRUE(TestDir::Exists(chosen));
    EXPECT_EQ(prompt.UnexpectedCount(), 0);
}

TEST_F(DocumentFile, TheFuzzingSeedsAreValidDocumentsThatRoundTrip)
{
    const QStringList names{"empty", "one", "two", "deep", "narrow", "switches", "long", "escape"};
    for (const QString& name : names) {
        const QByteArray bytes = TestDir::ReadFile(QStringLiteral(PAIRWELL_FUZZ_CORPUS "/") + name + ".snc");
        ASSERT_FALSE(bytes.isEmpty()) << name.toStdString();
        CMyDoc doc;
        QString error;
        ASSERT_TRUE(Load(bytes, doc.GetRoot(), const_cast<QStringList&>(doc.GetCommonFilterSelection()), &error))
            << name.toStdString() << ": " << error.toStdString();
        const QByteArray stored = Store(doc);
        CAppProject again;
        QStringList common;
        ASSERT_TRUE(Load(stored, again, common));
        EXPECT_EQ(Describe(again), Describe(doc.GetRoot())) << name.toStdString();
        if (name != QLatin1String("narrow") && name != QLatin1String("escape") && name != QLatin1String("switches")) {
            EXPECT_EQ(stored, bytes) << name.toStdString(); // already in the form this program writes
        }
    }
}
