// What a document file can be besides a document, and what another program
// can do to it: only regular files are opened, damaged strings are refused,
// siblings under one stored key are all kept, and a file changed on disk is
// not overwritten without asking.
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/ProjectArchive.h"
#include "core/platform/FileName.h"
#include "core/platform/Prompt.h"
#include "core/platform/WholeFile.h"
#include "core/settings/CAppOptionSync.h"
#include "support/AccessOverride.h"
#include "support/TestDir.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

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

// A node without children under `key` with the folders `p` and `t`; the first node carries the class introduction.
QByteArray Node(const QString& key, const QString& p, const QString& t, bool first)
{
    return Str(key) + (first ? kClassIntro : Hex("0180")) + Hex("0000") + Str({}) + Hex("00000000") + Str(p) + Str(t)
        + Str(p) + Str(t);
}

QStringList ChildKeys(const CProject& node)
{
    QStringList keys;
    for (const auto& entry : node.Children())
        keys << entry.first;
    return keys;
}

QByteArray Store(const CMyDoc& doc)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(StoreDocumentArchive(buffer, doc.GetRoot(), doc.GetCommonFilterSelection()));
    return bytes;
}

class DocumentSafety : public ::testing::Test
{
protected:
    void SetUp() override { GlobalOptionSync().Flags = SyncFlag::Default; }

    QString SaveOneProject(const QString& name, const QString& file = S("doc.snc"))
    {
        CMyDoc writer;
        auto node = std::make_unique<CSyncProject>(&writer.GetRoot());
        node->SetFolders(dir.PathOf(S("p/") + name), dir.PathOf(S("t/") + name));
        writer.GetRoot().AddChild(std::move(node));
        const QString path = dir.PathOf(file);
        EXPECT_TRUE(writer.OnSaveDocument(path));
        return path;
    }

    TestDir dir;
    CScriptedPrompt prompt;
    CPromptScope scope{prompt};
};

} // namespace

TEST_F(DocumentSafety, OnlyARegularFileIsOpened)
{
    const QString fifo = dir.PathOf(S("fifo.snc"));
    ASSERT_EQ(::mkfifo(EncodeFileName(fifo).constData(), 0644), 0);
    const QString locked = SaveOneProject(S("x"), S("locked.snc"));
    ::chmod(EncodeFileName(locked).constData(), 0);
    const struct
    {
        QString path;
        QString text;
    } cases[] = {
        {fifo, S("通常のファイルではないため")}, // no writer: reading it would wait for ever
        {S("/dev/zero"), S("通常のファイルではないため")},
        {dir.Path(), S("フォルダのため")},
        {dir.PathOf(S("missing.snc")), S("ファイルが見つかりません。")},
        {locked, S("アクセス権がありません。")},
    };
    CWithoutAccessOverride plainPermissions;
    for (const auto& c : cases) {
        CMyDoc doc;
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(doc.OnOpenDocument(c.path)) << c.path.toStdString();
        EXPECT_LT(timer.elapsed(), 10'000);
        EXPECT_TRUE(doc.LastError().startsWith(c.path + S(": "))) << doc.LastError().toStdString();
        EXPECT_TRUE(doc.LastError().contains(c.text)) << doc.LastError().toStdString();
        EXPECT_TRUE(doc.GetPathName().isEmpty());
        QString error;
        EXPECT_FALSE(CMyDoc::CanReadFile(c.path, &error));
        EXPECT_EQ(error, doc.LastError());
    }
    EXPECT_EQ(prompt.Texts().size(), qsizetype(std::size(cases)));
    // Locking for a change refuses them too, without waiting.
    CMyDoc doc;
    EXPECT_FALSE(doc.LockFile(fifo));
    EXPECT_TRUE(doc.LastError().contains(S("通常のファイルではないため")));
}

TEST_F(DocumentSafety, AStringWithANulCharacterIsADamagedFile)
{
    const QString bad = S("/n/a") + QChar(u'\0') + S("b");
    const QByteArray tail = Str({}) + Hex("0000");
    const struct
    {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"project path", Hex("0100") + Node(S("A"), bad, S("/m/a"), true) + tail},
        {"target path", Hex("0100") + Node(S("A"), S("/n/a"), bad, true) + tail},
        {"key", Hex("0100") + Node(bad, S("/n/a"), S("/m/a"), true) + tail},
        {"name",
            Hex("0100") + Str(S("A")) + kClassIntro + Hex("0000") + Str(bad) + Hex("00000000") + Str(S("/n/a"))
                + Str(S("/m/a")) + Str(S("/n/a")) + Str(S("/m/a")) + tail},
        {"8-bit path",
            Hex("0100") + Str(S("A")) + kClassIntro + Hex("0000") + Str({}) + Hex("00000000")
                + QByteArray("\x04/n\0a", 5) + Str(S("/m/a")) + QByteArray("\x04/n\0a", 5) + Str(S("/m/a")) + tail},
        {"common filter name", Hex("0000") + Str({}) + Hex("0100") + Str(bad)},
    };
    for (const auto& c : cases) {
        const QString path = dir.PathOf(S("nul.snc"));
        dir.WriteFile(S("nul.snc"), c.bytes);
        CMyDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument(path)) << c.what;
        EXPECT_EQ(doc.LastError(), path + S(": 予期しない形式のファイルです。")) << c.what;
        EXPECT_EQ(doc.GetRoot().ChildCount(), 0) << c.what;
    }
}

TEST_F(DocumentSafety, SiblingsUnderOneStoredKeyAreAllKept)
{
    // Two siblings under one key; and two whose keys differ as stored but
    // collide once upper-cased again ("STRAßE" as an older writer upper-cased it).
    const QByteArray bytes = Hex("0400") + Node(S("FOO"), S("/n/Foo"), S("/m/Foo"), true)
        + Node(S("FOO"), S("/n/foo"), S("/m/foo"), false) + Node(S("STRAßE"), S("/n/Straße"), S("/m/Straße"), false)
        + Node(S("STRASSE"), S("/n/strasse"), S("/m/strasse"), false) + Str({}) + Hex("0000");
    const QString path = dir.PathOf(S("dup.snc"));
    dir.WriteFile(S("dup.snc"), bytes);
    CMyDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path)) << doc.LastError().toStdString();
    EXPECT_EQ(ChildKeys(doc.GetRoot()), (QStringList{S("FOO"), S("FOO<case:foo>"), S("STRASSE"), S("STRAßE")}));
    EXPECT_EQ(doc.GetRoot().FindChild(S("foo"))->GetFolder(1), S("/m/foo"));
    EXPECT_EQ(doc.GetRoot().FindChild(S("Foo"))->GetFolder(1), S("/m/Foo"));

    // Every node is stored again, each under a key of its own; the stored form is then stable.
    ASSERT_TRUE(doc.OnSaveDocument(path));
    const QByteArray saved = TestDir::ReadFile(path);
    EXPECT_EQ(saved,
        Hex("0400") + Node(S("FOO"), S("/n/Foo"), S("/m/Foo"), true)
            + Node(S("FOO<case:foo>"), S("/n/foo"), S("/m/foo"), false)
            + Node(S("STRASSE"), S("/n/strasse"), S("/m/strasse"), false)
            + Node(S("STRAßE"), S("/n/Straße"), S("/m/Straße"), false) + Str({}) + Hex("0000"));
    CMyDoc again;
    ASSERT_TRUE(again.OnOpenDocument(path));
    EXPECT_EQ(Store(again), saved);
}

TEST_F(DocumentSafety, AFileChangedOnDiskIsNotOverwrittenWithoutAsking)
{
    const QString path = SaveOneProject(S("first"));
    CMyDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
    node->SetFolders(dir.PathOf(S("p/mine")), dir.PathOf(S("t/mine")));
    doc.GetRoot().AddChild(std::move(node));

    // Unchanged on disk: saved without a question.
    ASSERT_TRUE(doc.OnSaveDocument(path));
    EXPECT_TRUE(prompt.Texts().isEmpty());

    // Another program writes the file: No keeps its version, and the document stays unsaved.
    const QString other = SaveOneProject(S("theirs"));
    ASSERT_EQ(other, path);
    const QByteArray theirs = TestDir::ReadFile(path);
    doc.SetModifiedFlag(true);
    prompt.Push(PromptAnswer::No);
    EXPECT_FALSE(doc.OnSaveDocument(path));
    ASSERT_EQ(prompt.Texts().size(), 1);
    EXPECT_EQ(prompt.Requests().back().buttons, PromptButtons::YesNo);
    EXPECT_TRUE(prompt.Texts().back().startsWith(path + S(" は、開いた後または保存した後に")));
    EXPECT_EQ(TestDir::ReadFile(path), theirs);
    EXPECT_TRUE(doc.IsModified());
    // Through SaveModified as the window closes: No to overwriting keeps the window open.
    prompt.Push(PromptAnswer::Yes);
    prompt.Push(PromptAnswer::No);
    EXPECT_FALSE(doc.SaveModified());
    EXPECT_EQ(TestDir::ReadFile(path), theirs);

    // Yes overwrites; from then on the file is the document's own again.
    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(doc.OnSaveDocument(path));
    EXPECT_EQ(TestDir::ReadFile(path), Store(doc));
    EXPECT_TRUE(doc.OnSaveDocument(path));
    EXPECT_EQ(prompt.Texts().size(), 4);

    // Only a change of its own file counts: a save under another name never asks, nor does a removed file.
    SaveOneProject(S("elsewhere"), S("other.snc"));
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(doc.OnSaveDocument(path));
    EXPECT_EQ(prompt.Texts().size(), 4);
    EXPECT_EQ(prompt.UnexpectedCount(), 0);
    EXPECT_TRUE(prompt.AllAnswersUsed());
}

TEST_F(DocumentSafety, TheLockFollowsTheFileThatAWriterPutInPlace)
{
    const QString path = SaveOneProject(S("a"));
    CFileLock holder;
    ASSERT_TRUE(holder.Lock(path, 0));
    EXPECT_TRUE(holder.Holds(path));
    CFileLock other;
    int reason = 0;
    EXPECT_FALSE(other.Lock(path, 50, &reason));
    EXPECT_EQ(reason, EWOULDBLOCK);

    // A waiter gets the lock on the old file once the holder replaced it and let go:
    // it must then hold the new file, which a third writer finds locked.
    std::thread waiter([&] { EXPECT_TRUE(other.Lock(path, -1)); });
    QString error;
    ASSERT_TRUE(ReplaceFileAtomically(path, "new contents", &error)) << error.toStdString();
    holder.Unlock();
    waiter.join();
    EXPECT_TRUE(other.Holds(path));
    CFileLock third;
    EXPECT_FALSE(third.Lock(path, 0, &reason));
    other.Unlock();
    EXPECT_TRUE(third.Lock(path, 0));

    // A file that is not there yet needs no lock.
    CFileLock fresh;
    EXPECT_TRUE(fresh.Lock(dir.PathOf(S("not-yet.snc")), 0));
    EXPECT_FALSE(fresh.Holds(dir.PathOf(S("not-yet.snc"))));
}

TEST_F(DocumentSafety, TheNewFuzzingSeedsReadAsIntended)
{
    const auto load = [](const char* name, CAppProject& root, QString* error) {
        QBuffer buffer;
        buffer.setData(TestDir::ReadFile(QStringLiteral(PAIRWELL_FUZZ_CORPUS "/") + S(name)));
        buffer.open(QIODevice::ReadOnly);
        QStringList common;
        return LoadDocumentArchive(buffer, root, common, error);
    };
    QString error;
    CAppProject nul;
    EXPECT_FALSE(load("nul-path.snc", nul, &error));
    EXPECT_TRUE(error.contains(S("NUL")));
    CAppProject colliding;
    ASSERT_TRUE(load("colliding-keys.snc", colliding, &error)) << error.toStdString();
    EXPECT_EQ(colliding.ChildCount(), 2);
    CAppProject sjis;
    ASSERT_TRUE(load("shift-jis.snc", sjis, &error)) << error.toStdString();
    ASSERT_EQ(sjis.ChildCount(), 1);
    EXPECT_EQ(sjis.Children().begin()->first, S("日本語"));
    EXPECT_EQ(sjis.Children().begin()->second->GetFolder(0), S("C:\\データ\\日本語"));
}
