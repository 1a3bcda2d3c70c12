// The document's delete command, file operations run by an observer on a
// worker thread, and starting programs without a shell, on real folders.

#include "core/model/CMyDoc.h"
#include "core/platform/FileName.h"
#include "core/platform/Paths.h"
#include "core/platform/Process.h"
#include "core/platform/Prompt.h"
#include "core/sync/CFileOperation.h"
#include "core/sync/CSyncRun.h"
#include "support/SyncTestSupport.h"
#include "support/TestDir.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {

// Points an environment variable elsewhere for the life of the object.
class EnvScope
{
public:
    EnvScope(const char* name, const QByteArray& value)
        : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~EnvScope()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

// Runs every operation on a thread of its own, as the window does, and
// records where each call arrived.
class WorkerObserver : public IFileOperationObserver
{
public:
    void RunOperation(FileOpKind kind, quint32 flags, const std::function<void()>& operation) override
    {
        kinds.push_back(kind);
        runFlags.push_back(flags);
        std::thread worker([&] {
            workerId = std::this_thread::get_id();
            operation();
        });
        worker.join();
    }
    void Progress(qint64, qint64, const QString& name) override
    {
        progressOnWorker = progressOnWorker && std::this_thread::get_id() == workerId;
        names << name;
    }
    void ShowErrors(const QStringList& errors) override { shown << errors; }

    std::vector<FileOpKind> kinds;
    std::vector<quint32> runFlags;
    std::thread::id workerId;
    bool progressOnWorker = true;
    QStringList names;
    QStringList shown;
};

// A prompt that notes the thread of each question.
class ThreadNotingPrompt : public CScriptedPrompt
{
public:
    PromptAnswer Ask(const PromptRequest& request) override
    {
        threads.push_back(std::this_thread::get_id());
        return CScriptedPrompt::Ask(request);
    }
    std::vector<std::thread::id> threads;
};

// Waits (polling, with a generous deadline) until `path` exists.
bool WaitForFile(const QString& path)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (TestDir::Exists(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Makes the disk that holds a folder look removable to this process (a
// private mount namespace covers the device's "removable" attribute). Needs
// root and a process without other threads; Active() says whether it worked.
class RemovableDisk
{
public:
    RemovableDisk(const QString& folder, const QString& scratch)
    {
        struct stat st = {};
        if (::geteuid() != 0 || ::stat(EncodeFileName(folder).constData(), &st) != 0 || ::major(st.st_dev) == 0)
            return;
        char link[64];
        std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u", ::major(st.st_dev), ::minor(st.st_dev));
        char* real = ::realpath(link, nullptr);
        if (!real)
            return;
        m_attribute = QByteArray(real) + "/removable";
        std::free(real);
        const QByteArray one = EncodeFileName(scratch);
        const int fd = ::open(one.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const bool written = fd >= 0 && ::write(fd, "1\n", 2) == 2;
        if (fd >= 0)
            ::close(fd);
        if (!written || ::unshare(CLONE_NEWNS) != 0
            || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return;
        m_active = ::mount(one.constData(), m_attribute.constData(), nullptr, MS_BIND, nullptr) == 0;
        ResetCaches();
        if (m_active && IsFixedDrive(folder))
            Undo();
    }
    ~RemovableDisk() { Undo(); }
    bool Active() const { return m_active; }

private:
    void Undo()
    {
        if (m_active)
            ::umount2(m_attribute.constData(), MNT_DETACH);
        m_active = false;
        ResetCaches();
    }

    QByteArray m_attribute;
    bool m_active = false;
};

class DocDeleteTest : public ::testing::Test
{
protected:
    void SetUp() override { doc.SetSyncHooks({{}, &observer}); }
    void TearDown() override { doc.SetSyncHooks({}); }

    TestDir dir;
    EnvScope data{"XDG_DATA_HOME", EncodeFileName(dir.PathOf(QStringLiteral("data")))};
    ThreadNotingPrompt prompt;
    CPromptScope scope{prompt};
    WorkerObserver observer;
    CMyDoc doc;
};

} // namespace

TEST_F(DocDeleteTest, OperationsRunThroughTheObserverOnItsWorkerThreadAndAskThere)
{
    const QString a = dir.WriteFile(QStringLiteral("p/a.txt"), "new a", 1'100'000'000);
    const QString b = dir.WriteFile(QStringLiteral("p/b.txt"), "new b", 1'100'000'000);
    const QString ta = dir.WriteFile(QStringLiteral("t/a.txt"), "old a", 1'000'000'000);
    const QString tb = dir.PathOf(QStringLiteral("t/b.txt"));
    CFileOperation operation(&observer);
    prompt.Push(PromptAnswer::No); // keep the old a.txt
    EXPECT_FALSE(operation.CopyItems({a, b}, {ta, tb}, FOF_NOCONFIRMMKDIR));
    ASSERT_EQ(observer.kinds.size(), 1u);
    EXPECT_EQ(observer.kinds.front(), FileOpKind::Copy);
    EXPECT_EQ(observer.runFlags.front() & FOF_NOCONFIRMMKDIR, FOF_NOCONFIRMMKDIR);
    // The work, its progress and its question all happened on the worker.
    ASSERT_EQ(prompt.threads.size(), 1u);
    EXPECT_EQ(prompt.threads.front(), observer.workerId);
    EXPECT_NE(observer.workerId, std::this_thread::get_id());
    EXPECT_TRUE(observer.progressOnWorker);
    EXPECT_EQ(TestDir::ReadFile(ta), QByteArray("old a"));
    EXPECT_EQ(TestDir::ReadFile(tb), QByteArray("new b"));
    // The result is the caller's as usual.
    ASSERT_EQ(operation.Result().items.size(), 2u);
    EXPECT_EQ(operation.Result().items[0].status, FileOpStatus::Skipped);
    EXPECT_EQ(operation.Result().items[1].status, FileOpStatus::Done);
}

TEST_F(DocDeleteTest, DeletingForGoodAsksFirstAndNoKeepsEverything)
{
    const QString file = dir.WriteFile(QStringLiteral("p/x.txt"), "x");
    const QString folder = dir.MakeFolder(QStringLiteral("p/sub"));
    dir.WriteFile(QStringLiteral("p/sub/y.txt"), "y");

    prompt.Push(PromptAnswer::No);
    EXPECT_FALSE(doc.DeletePaths({file, folder}, false));
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Texts().at(0), QStringLiteral("これらの 2 個の項目を完全に削除しますか？"));
    EXPECT_TRUE(TestDir::Exists(file));
    EXPECT_TRUE(TestDir::Exists(dir.PathOf(QStringLiteral("p/sub/y.txt"))));

    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(doc.DeletePaths({file, folder}, false));
    EXPECT_FALSE(TestDir::Exists(file));
    EXPECT_FALSE(TestDir::Exists(folder));
    // Nothing went to the trash.
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("data/Trash/files/x.txt"))));
    EXPECT_EQ(observer.kinds.size(), 2u);
}

TEST_F(DocDeleteTest, DeletingToTheTrashOnAFixedDiskAsksOnlyTheDeleteQuestion)
{
    const QString file = dir.WriteFile(QStringLiteral("p/a b.txt"), "keep me");
    ResetCaches();
    if (!IsFixedDrive(dir.Path()))
        GTEST_SKIP() << "the temporary folder is not on a fixed disk";
    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(doc.DeletePaths({file}, true));
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Texts().at(0), QStringLiteral("'%1' をごみ箱に移動しますか？").arg(file));
    EXPECT_FALSE(TestDir::Exists(file));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/files/a b.txt"))), QByteArray("keep me"));
    EXPECT_TRUE(prompt.AllAnswersUsed());
}

TEST_F(DocDeleteTest, DeletingToTheTrashOnARemovableDiskAsksOnceAndNoDeletesNothing)
{
    const QString first = dir.WriteFile(QStringLiteral("p/a.txt"), "a");
    const QString second = dir.WriteFile(QStringLiteral("p/b.txt"), "b");
    RemovableDisk removable(dir.Path(), dir.PathOf(QStringLiteral("one")));
    if (!removable.Active())
        GTEST_SKIP() << "cannot make the disk look removable here";

    prompt.Push(PromptAnswer::No);
    EXPECT_FALSE(doc.DeletePaths({first, second}, true));
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Texts().at(0),
        QStringLiteral("ネットワークおよびリムーバブルメディア上のファイルはごみ箱に移動されません。継続しますか？"));
    EXPECT_EQ(prompt.Requests().at(0).buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Information);
    EXPECT_TRUE(TestDir::Exists(first));
    EXPECT_TRUE(TestDir::Exists(second));
    EXPECT_TRUE(observer.kinds.empty()); // no operation was started

    // Without the trash nothing asks about removable media.
    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(doc.DeletePaths({first}, false));
    EXPECT_EQ(prompt.Requests().size(), 2u);
    EXPECT_FALSE(TestDir::Exists(first));
}

TEST(StartDetachedProcess, EachArgumentArrivesWhole)
{
    TestDir dir;
    // A tool whose own path has a space: it writes its arguments, each ended
    // by a zero byte, to a file beside itself.
    const QString tool = dir.WriteFile(QStringLiteral("my tools/args tool.sh"),
        "#!/bin/sh\nout=\"$(dirname \"$0\")/args\"\n: > \"$out.part\"\n"
        "for a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$out.part\"; done\nmv \"$out.part\" \"$out\"\n");
    ASSERT_EQ(::chmod(EncodeFileName(tool).constData(), 0755), 0);
    const QString odd = DecodeFileName(QByteArray("caf\xe9 file.txt"));
    const QStringList arguments{
        QStringLiteral("/p/a b.txt"), QStringLiteral("\"quoted\" $HOME;`x`"), dir.PathOf(odd), QString()};

    QString error;
    ASSERT_TRUE(StartDetachedProcess(tool, arguments, &error)) << error.toStdString();
    const QString out = dir.PathOf(QStringLiteral("my tools/args"));
    ASSERT_TRUE(WaitForFile(out));
    QByteArray expected;
    for (const QString& argument : arguments)
        expected += EncodeFileName(argument) + '\0';
    EXPECT_EQ(TestDir::ReadFile(out), expected);
}

TEST(StartDetachedProcess, AProgramThatCannotStartIsReported)
{
    TestDir dir;
    QString error;
    EXPECT_FALSE(StartDetachedProcess(dir.PathOf(QStringLiteral("missing tool")), {}, &error));
    EXPECT_FALSE(error.isEmpty());
    const QString plain = dir.WriteFile(QStringLiteral("not executable"), "#!/bin/sh\n");
    EXPECT_FALSE(StartDetachedProcess(plain, {}, &error));
    EXPECT_FALSE(StartDetachedProcess(QStringLiteral("pairwell-no-such-program-anywhere"), {}, &error));
    EXPECT_FALSE(StartDetachedProcess(QString(), {}, &error));
}
