// Copies onto a file system that folds letter case (vfat): two names of one
// operation never replace each other, and a file system without unnamed
// temporary files leaves nothing behind either.
#include "core/platform/FileName.h"
#include "core/platform/Prompt.h"
#include "core/sync/CFileOperation.h"
#include "support/SyncTestSupport.h"
#include "support/TestDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// A small vfat file system mounted for the life of the object (root, with mkfs.vfat).
class VfatMount
{
public:
    explicit VfatMount(TestDir& dir) : m_point(dir.MakeFolder(QStringLiteral("vfat")))
    {
        if (::geteuid() != 0 || std::system("command -v mkfs.vfat >/dev/null 2>&1") != 0)
            return;
        const QByteArray image = EncodeFileName(dir.PathOf(QStringLiteral("vfat.img")));
        const QByteArray make = "truncate -s 8M '" + image + "' && mkfs.vfat '" + image
            + "' >/dev/null 2>&1 && mount -o loop '" + image + "' '" + EncodeFileName(m_point) + "' 2>/dev/null";
        m_mounted = std::system(make.constData()) == 0;
    }
    ~VfatMount()
    {
        if (m_mounted)
            ::umount2(EncodeFileName(m_point).constData(), MNT_DETACH);
    }
    bool Mounted() const { return m_mounted; }
    QString Path(const QString& name) const { return m_point + QLatin1Char('/') + name; }

private:
    QString m_point;
    bool m_mounted = false;
};

} // namespace

TEST(CaseFolding, TwoNamesThatDifferInCaseOnlyNeverReplaceEachOtherOnVfat)
{
    TestDir dir;
    VfatMount vfat(dir);
    if (!vfat.Mounted())
        GTEST_SKIP() << "cannot mount a vfat file system here (needs root and mkfs.vfat)";
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    const QString upper = dir.WriteFile(QStringLiteral("p/A.txt"), "upper");
    const QString lower = dir.WriteFile(QStringLiteral("p/a.txt"), "lower");
    const QString replacing = dir.WriteFile(QStringLiteral("p/old.txt"), "new content");
    const QString notes = dir.WriteFile(QStringLiteral("p/.~pairwell-notes"), "notes");
    dir.WriteFile(QStringLiteral("vfat/old.txt"), "old content");

    CFileOperation operation;
    operation.SetRoots(CPairRoots({dir.PathOf(QStringLiteral("p")), dir.PathOf(QStringLiteral("vfat"))}));
    EXPECT_FALSE(operation.CopyItems({upper, lower, replacing, notes},
        {vfat.Path(QStringLiteral("A.txt")), vfat.Path(QStringLiteral("a.txt")), vfat.Path(QStringLiteral("old.txt")),
            vfat.Path(QStringLiteral(".~pairwell-notes"))},
        FileOpFlag::NoConfirmation | FileOpFlag::NoConfirmMkdir | FileOpFlag::Silent));
    const FileOpResult& result = operation.Result();
    EXPECT_EQ(result.items.at(0).status, FileOpStatus::Done);
    EXPECT_EQ(result.items.at(1).status, FileOpStatus::Failed);
    EXPECT_TRUE(result.items.at(1).error.contains(upper) && result.items.at(1).error.contains(lower))
        << result.items.at(1).error.toStdString();
    EXPECT_EQ(result.items.at(2).status, FileOpStatus::Done);
    EXPECT_EQ(result.items.at(3).status, FileOpStatus::Done);
    EXPECT_EQ(TestDir::ReadFile(vfat.Path(QStringLiteral("A.txt"))), QByteArray("upper"));
    // The replacement went through a named temporary file: it is gone, the user's like-named file is there.
    EXPECT_EQ(TestDir::ReadFile(vfat.Path(QStringLiteral("old.txt"))), QByteArray("new content"));
    EXPECT_EQ(TempFilesIn(vfat.Path(QString())), QStringList{QStringLiteral(".~pairwell-notes")});
}
