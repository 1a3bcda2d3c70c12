#include "core/platform/Trash.h"
#include "core/platform/FileCopy.h"
#include "core/platform/FileName.h"
#include "support/SyncTestSupport.h"
#include "support/TestDir.h"

#include <QDateTime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// Points XDG_DATA_HOME at a folder for the life of the object.
class DataHome
{
public:
    explicit DataHome(const QString& path)
        : m_old(qgetenv("XDG_DATA_HOME")), m_had(qEnvironmentVariableIsSet("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", EncodeFileName(path));
    }
    ~DataHome()
    {
        if (m_had)
            qputenv("XDG_DATA_HOME", m_old);
        else
            qunsetenv("XDG_DATA_HOME");
    }

private:
    QByteArray m_old;
    bool m_had;
};

QByteArray InfoLine(const QByteArray& info, const QByteArray& key)
{
    for (const QByteArray& line : info.split('\n')) {
        if (line.startsWith(QByteArray(key + '=')))
            return line.mid(key.size() + 1);
    }
    return {};
}

} // namespace

TEST(Trash, AFileGoesToTheHomeTrashWithAnInfoFileThatRestoresIt)
{
    TestDir dir;
    DataHome home(dir.PathOf(QStringLiteral("data")));
    const QString file = dir.WriteFile(QStringLiteral("work/a b%.txt"), "keep me", 1'234'567'890);

    QString error;
    QString trashed;
    ASSERT_TRUE(MoveToTrash(file, &error, &trashed)) << error.toStdString();
    EXPECT_FALSE(TestDir::Exists(file));
    EXPECT_EQ(trashed, dir.PathOf(QStringLiteral("data/Trash/files/a b%.txt")));
    EXPECT_EQ(TestDir::ReadFile(trashed), QByteArray("keep me"));
    EXPECT_EQ(TestDir::MTime(trashed), 1'234'567'890);

    const QByteArray info = TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/info/a b%.txt.trashinfo")));
    EXPECT_TRUE(info.startsWith("[Trash Info]\n"));
    const QByteArray recorded = QByteArray::fromPercentEncoding(InfoLine(info, "Path"));
    EXPECT_EQ(recorded, EncodeFileName(file));
    EXPECT_TRUE(InfoLine(info, "Path").contains("a%20b%25.txt"));
    const QDateTime date = QDateTime::fromString(QString::fromLatin1(InfoLine(info, "DeletionDate")), Qt::ISODate);
    EXPECT_TRUE(date.isValid());
    EXPECT_EQ(StatOf(dir.PathOf(QStringLiteral("data/Trash"))).st_mode & 0777, 0700u);

    // Restoring is a rename back to the recorded place.
    ASSERT_EQ(::rename(EncodeFileName(trashed).constData(), recorded.constData()), 0);
    EXPECT_EQ(TestDir::ReadFile(file), QByteArray("keep me"));
}

TEST(Trash, SameNamesGetUniqueTrashNamesAndFoldersAndUndecodableNamesWork)
{
    TestDir dir;
    DataHome home(dir.PathOf(QStringLiteral("data")));
    const QString first = dir.WriteFile(QStringLiteral("one/x.txt"), "first");
    const QString second = dir.WriteFile(QStringLiteral("two/x.txt"), "second");
    QString error;
    QString trashedFirst;
    QString trashedSecond;
    ASSERT_TRUE(MoveToTrash(first, &error, &trashedFirst));
    ASSERT_TRUE(MoveToTrash(second, &error, &trashedSecond));
    EXPECT_NE(trashedFirst, trashedSecond);
    EXPECT_EQ(TestDir::ReadFile(trashedFirst), QByteArray("first"));
    EXPECT_EQ(TestDir::ReadFile(trashedSecond), QByteArray("second"));
    const QString secondName = trashedSecond.mid(trashedSecond.lastIndexOf(QLatin1Char('/')) + 1);
    const QByteArray secondInfo
        = TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/info/")) + secondName + QStringLiteral(".trashinfo"));
    EXPECT_EQ(QByteArray::fromPercentEncoding(InfoLine(secondInfo, "Path")), EncodeFileName(second));

    const QString odd = DecodeFileName(QByteArray("folder-\xE9"));
    dir.WriteFile(odd + QStringLiteral("/inner/file"), "inner");
    dir.MakeLink(odd + QStringLiteral("/link"), dir.PathOf(QStringLiteral("two")));
    QString trashedFolder;
    ASSERT_TRUE(MoveToTrash(dir.PathOf(odd), &error, &trashedFolder)) << error.toStdString();
    EXPECT_EQ(TestDir::ReadFile(trashedFolder + QStringLiteral("/inner/file")), QByteArray("inner"));
    EXPECT_TRUE(S_ISLNK(StatOf(trashedFolder + QStringLiteral("/link")).st_mode));
    const QByteArray info
        = TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/info/")) + odd + QStringLiteral(".trashinfo"));
    EXPECT_EQ(QByteArray::fromPercentEncoding(InfoLine(info, "Path")), EncodeFileName(dir.PathOf(odd)));
    // The temporary folder's own clean-up cannot remove undecodable names.
    EXPECT_TRUE(DeleteForGood(dir.PathOf(QStringLiteral("data")), &error));
}

TEST(Trash, AnotherFileSystemUsesItsOwnTopDirectoryTrash)
{
    TestDir dir;
    DataHome home(dir.PathOf(QStringLiteral("data")));
    const QString point = dir.MakeFolder(QStringLiteral("volume"));
    TmpfsMount mount(point, "1m");
    if (!mount.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    ASSERT_EQ(::mkdir(EncodeFileName(point + QStringLiteral("/docs")).constData(), 0755), 0);
    const QString file = point + QStringLiteral("/docs/report.txt");
    ASSERT_NE(StatOf(point).st_dev, StatOf(dir.Path()).st_dev);
    {
        const int fd = ::open(EncodeFileName(file).constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "report", 6), 6);
        ::close(fd);
    }
    QString error;
    QString trashed;
    ASSERT_TRUE(MoveToTrash(file, &error, &trashed)) << error.toStdString();
    const QString trash = point + QStringLiteral("/.Trash-") + QString::number(::getuid());
    EXPECT_EQ(trashed, trash + QStringLiteral("/files/report.txt"));
    EXPECT_EQ(TestDir::ReadFile(trashed), QByteArray("report"));
    const QByteArray info = TestDir::ReadFile(trash + QStringLiteral("/info/report.txt.trashinfo"));
    EXPECT_EQ(InfoLine(info, "Path"), QByteArray("docs/report.txt")); // relative to the top of the volume
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("data/Trash/files/report.txt"))));
}

TEST(Trash, AnItemTheTrashCannotTakeFailsAndStaysWhereItIs)
{
    TestDir dir;
    DataHome home(dir.PathOf(QStringLiteral("data")));
    // The home trash's place is taken by a file: no trash can be made there.
    dir.WriteFile(QStringLiteral("data/Trash"), "not a folder");
    const QString file = dir.WriteFile(QStringLiteral("work/a.txt"), "still here");
    QString error;
    EXPECT_FALSE(MoveToTrash(file, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(error.startsWith(file)) << error.toStdString();
    EXPECT_EQ(TestDir::ReadFile(file), QByteArray("still here"));

    EXPECT_FALSE(MoveToTrash(dir.PathOf(QStringLiteral("work/missing")), &error));
}

TEST(Trash, ANameTooLongForItsInfoFileIsStoredShorterAndTheInfoFileNamesTheOriginal)
{
    TestDir dir;
    DataHome home(dir.PathOf(QStringLiteral("data")));
    // 250 bytes: with ".trashinfo" the info file's name would pass the 255 bytes a name may have.
    const QString name = QString(124, QChar(0x00E9)) + QStringLiteral("xy"); // 124 two-byte letters
    ASSERT_EQ(EncodeFileName(name).size(), 250);
    const QString file = dir.WriteFile(QStringLiteral("work/") + name, "long name");
    const QString other = dir.WriteFile(QStringLiteral("other/") + name, "same long name");
    QString error;
    QString trashed;
    QString trashedOther;
    ASSERT_TRUE(MoveToTrash(file, &error, &trashed)) << error.toStdString();
    ASSERT_TRUE(MoveToTrash(other, &error, &trashedOther)) << error.toStdString();
    EXPECT_NE(trashed, trashedOther);
    EXPECT_EQ(TestDir::ReadFile(trashed), QByteArray("long name"));
    EXPECT_EQ(TestDir::ReadFile(trashedOther), QByteArray("same long name"));
    for (const auto& [original, inTrash] : {std::pair{file, trashed}, std::pair{other, trashedOther}}) {
        const QString stored = inTrash.mid(inTrash.lastIndexOf(QLatin1Char('/')) + 1);
        EXPECT_LT(EncodeFileName(stored).size() + 10, 256);
        EXPECT_TRUE(QString::fromUtf8(EncodeFileName(stored)).isValidUtf16()); // not cut inside a letter
        const QByteArray info
            = TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/info/")) + stored + QStringLiteral(".trashinfo"));
        EXPECT_EQ(QByteArray::fromPercentEncoding(InfoLine(info, "Path")), EncodeFileName(original));
    }
}

TEST(Trash, AFileOnABindMountOfTheHomeFileSystemGoesToATrashOnThatMount)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "bind mounts need root";
    TestDir dir;
    DataHome home(dir.PathOf(QStringLiteral("data")));
    dir.WriteFile(QStringLiteral("work/a.txt"), "through the whole bind");
    dir.WriteFile(QStringLiteral("work/b.txt"), "through the folder's bind");
    const QString whole = dir.MakeFolder(QStringLiteral("whole"));
    const QString folder = dir.MakeFolder(QStringLiteral("folder"));
    dir.MakeFolder(QStringLiteral("data/Trash"));
    // `whole` shows the test folder (home trash included), `folder` only the work folder.
    if (::mount(EncodeFileName(dir.Path()).constData(), EncodeFileName(whole).constData(), nullptr, MS_BIND, nullptr)
        != 0)
        GTEST_SKIP() << "cannot bind-mount here";
    const bool second = ::mount(EncodeFileName(dir.PathOf(QStringLiteral("work"))).constData(),
                            EncodeFileName(folder).constData(), nullptr, MS_BIND, nullptr)
        == 0;

    QString error;
    QString trashed;
    EXPECT_TRUE(MoveToTrash(whole + QStringLiteral("/work/a.txt"), &error, &trashed)) << error.toStdString();
    EXPECT_EQ(
        TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/files/a.txt"))), QByteArray("through the whole bind"));
    const QByteArray info = TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/info/a.txt.trashinfo")));
    EXPECT_EQ(
        QByteArray::fromPercentEncoding(InfoLine(info, "Path")), EncodeFileName(whole + QStringLiteral("/work/a.txt")));
    if (second) {
        // The home trash is not on that mount: the trash at its top takes the file.
        EXPECT_TRUE(MoveToTrash(folder + QStringLiteral("/b.txt"), &error, &trashed)) << error.toStdString();
        const QString topTrash = folder + QStringLiteral("/.Trash-") + QString::number(::getuid());
        EXPECT_EQ(trashed, topTrash + QStringLiteral("/files/b.txt"));
        EXPECT_EQ(TestDir::ReadFile(trashed), QByteArray("through the folder's bind"));
        ::umount2(EncodeFileName(folder).constData(), MNT_DETACH);
    }
    ::umount2(EncodeFileName(whole).constData(), MNT_DETACH);
}
