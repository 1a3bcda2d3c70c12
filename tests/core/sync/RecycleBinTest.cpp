#include "core/platform/Paths.h"
#include "support/SyncRunFixture.h"
#include "support/SyncTestSupport.h"

#include <cstdlib>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Makes the disk that holds a folder look removable to this process: in a
// mount namespace of its own, the block device's "removable" attribute is
// covered by a file that reads 1. Needs root; Active() is false otherwise.
class RemovableDisk
{
public:
    RemovableDisk(const QString& folder, const QString& scratch)
    {
        if (::geteuid() != 0)
            return;
        struct stat st
        {
        };
        if (::stat(EncodeFileName(folder).constData(), &st) != 0 || ::major(st.st_dev) == 0)
            return; // a virtual file system has no device attribute to cover
        char link[64];
        std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u", ::major(st.st_dev), ::minor(st.st_dev));
        char* real = ::realpath(link, nullptr);
        if (!real)
            return;
        m_attribute = QByteArray(real) + "/removable";
        std::free(real);
        const QByteArray one = EncodeFileName(scratch);
        const int fd = ::open(one.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, "1\n", 2) != 2)
            return;
        ::close(fd);
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
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

} // namespace

TEST_F(SyncRunTest, TheTrashQuestionAnsweredNoLeavesBothTreesUntouched)
{
    dir.WriteFile(QStringLiteral("P/x.txt"), "new x", kNew);
    dir.WriteFile(QStringLiteral("T/x.txt"), "old x", kOld);
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    CSyncProject& project = AddProject();
    RemovableDisk removable(dir.Path(), dir.PathOf(QStringLiteral("one")));
    if (!removable.Active())
        GTEST_SKIP() << "cannot make the disk look removable here";

    prompt.Push(PromptAnswer::No);
    EXPECT_FALSE(Run(&project, SyncFlag::DeleteFiles | SyncFlag::RecycleBin, SyncDirection::Export));
    EXPECT_EQ(result.outcome, SyncOutcome::Declined);
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Texts().at(0),
        QStringLiteral("ネットワークおよびリムーバブルメディア上のファイルはごみ箱に移動されません。継続しますか？"));
    EXPECT_EQ(prompt.Requests().at(0).buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Information);
    EXPECT_EQ(TestDir::ReadFile(T("x.txt")), QByteArray("old x"));
    EXPECT_EQ(TestDir::ReadFile(T("stale.txt")), QByteArray("stale"));
    EXPECT_EQ(TestDir::ReadFile(P("x.txt")), QByteArray("new x"));
    // The log was opened (and made) but holds no line.
    EXPECT_TRUE(TestDir::Exists(logPath));
    EXPECT_TRUE(TestDir::ReadFile(logPath).isEmpty());

    // Yes: asked once, then the run goes on (the delete confirmation follows, as without bit 7).
    prompt.Push(PromptAnswer::Yes);
    prompt.Push(PromptAnswer::Yes);
    prompt.Push(PromptAnswer::Yes);
    ASSERT_TRUE(Run(&project, SyncFlag::DeleteFiles | SyncFlag::RecycleBin, SyncDirection::Export));
    EXPECT_EQ(prompt.Requests().size(), 4u);
    EXPECT_EQ(TestDir::ReadFile(T("x.txt")), QByteArray("new x"));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/files/stale.txt"))), QByteArray("stale"));
}

TEST_F(SyncRunTest, OnFixedDisksTheTrashQuestionIsNotAsked)
{
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    dir.MakeFolder(QStringLiteral("P"));
    CSyncProject& project = AddProject();
    ResetCaches();
    if (!IsFixedDrive(dir.Path()))
        GTEST_SKIP() << "the temporary folder is not on a fixed disk";
    ASSERT_TRUE(
        Run(&project, SyncFlag::NoConfirmation | SyncFlag::DeleteFiles | SyncFlag::RecycleBin, SyncDirection::Export));
    EXPECT_TRUE(prompt.Requests().empty());
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/files/stale.txt"))), QByteArray("stale"));
}
