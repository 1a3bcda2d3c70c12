#include "core/platform/FileName.h"
#include "core/sync/CSyncLog.h"
#include "support/TestDir.h"

#include <QDir>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray Utf16(const QString& text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

QDateTime March1()
{
    return QDateTime(QDate(2004, 3, 1), QTime(9, 5, 3));
}

} // namespace

TEST(SyncLog, LinesAreUtf16WithoutBomWithCrLfAndQuotedPathsWithSpaces)
{
    TestDir dir;
    const QString path = dir.PathOf(QStringLiteral("sync.log"));
    CSyncLog log;
    QString message;
    ASSERT_TRUE(log.Open(path, March1(), &message)) << message.toStdString();
    EXPECT_TRUE(log.WriteDeletion(QStringLiteral("/t/a b.txt")));
    EXPECT_TRUE(log.WriteCopy(QStringLiteral("/p/x.txt"), QStringLiteral("/t/x.txt")));
    EXPECT_TRUE(log.WriteCopy(QStringLiteral("/p/日本 語.txt"), QStringLiteral("/t/日本 語.txt")));
    log.Close();

    const QByteArray expected
        = Utf16(QStringLiteral("2004/03/01 09:05:03 DEL \"/t/a b.txt\"\r\n"
                               "2004/03/01 09:05:03 COPY /p/x.txt /t/x.txt\r\n"
                               "2004/03/01 09:05:03 COPY \"/p/日本 語.txt\" \"/t/日本 語.txt\"\r\n"));
    EXPECT_EQ(TestDir::ReadFile(path), expected);
    EXPECT_EQ(TestDir::ReadFile(path).left(2), QByteArray("2\0", 2)); // no byte-order mark
}

TEST(SyncLog, RunsAppendToTheSameFileAndUndecodableNamesKeepTheirEscapes)
{
    TestDir dir;
    const QString path = dir.WriteFile(QStringLiteral("sync.log"), Utf16(QStringLiteral("earlier\r\n")));
    {
        CSyncLog log;
        ASSERT_TRUE(log.Open(path, March1(), nullptr));
        log.WriteDeletion(QStringLiteral("/t/one"));
    }
    const QString odd = QStringLiteral("/t/") + DecodeFileName(QByteArray("\xE9"));
    {
        CSyncLog log;
        ASSERT_TRUE(log.Open(path, QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59)), nullptr));
        log.WriteDeletion(odd);
    }
    QByteArray expected = Utf16(QStringLiteral("earlier\r\n2004/03/01 09:05:03 DEL /t/one\r\n"));
    expected += Utf16(QStringLiteral("2024/12/31 23:59:59 DEL ") + odd + QStringLiteral("\r\n"));
    EXPECT_EQ(TestDir::ReadFile(path), expected);
}

TEST(SyncLog, TheFileIsLockedWhileOpenAndALockedOrUnopenableFileIsRefused)
{
    TestDir dir;
    const QString path = dir.PathOf(QStringLiteral("sync.log"));
    CSyncLog first;
    ASSERT_TRUE(first.Open(path, March1(), nullptr));
    const int fd = ::open(EncodeFileName(path).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0);

    CSyncLog second;
    QString message;
    EXPECT_FALSE(second.Open(path, March1(), &message));
    EXPECT_TRUE(message.contains(path)) << message.toStdString();
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);

    EXPECT_FALSE(second.Open(dir.PathOf(QStringLiteral("no/such/folder/sync.log")), March1(), &message));
    EXPECT_TRUE(message.contains(QStringLiteral("no/such/folder"))) << message.toStdString();
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("no"))));
}

TEST(SyncLog, WithoutAPathANewTemporaryPwlFileIsUsed)
{
    TestDir dir;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", EncodeFileName(dir.Path()));
    CSyncLog log;
    ASSERT_TRUE(log.Open(QString(), March1(), nullptr));
    EXPECT_TRUE(log.Path().startsWith(dir.PathOf(QStringLiteral("PWL")))) << log.Path().toStdString();
    log.WriteDeletion(QStringLiteral("/x"));
    const QString first = log.Path();
    log.Close();
    CSyncLog other;
    ASSERT_TRUE(other.Open(QString(), March1(), nullptr));
    EXPECT_NE(other.Path(), first);
    EXPECT_EQ(TestDir::ReadFile(first), Utf16(QStringLiteral("2004/03/01 09:05:03 DEL /x\r\n")));
    if (oldTmp.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);
}

TEST(SyncLog, TheClockCanBeReplaced)
{
    CSyncLog::SetClock([] { return March1(); });
    EXPECT_EQ(CSyncLog::Now(), March1());
    CSyncLog::SetClock({});
    EXPECT_NE(CSyncLog::Now(), March1());
}

TEST(SyncLog, APathThatIsNoRegularFileIsRefusedAtOnceAndALinkToOneIsFollowed)
{
    TestDir dir;
    const QString fifo = dir.PathOf(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(EncodeFileName(fifo).constData(), 0600), 0);
    // A FIFO with a reader would take the lines, one without would block an open that waits.
    const int reader = ::open(EncodeFileName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    for (const QString& path : {fifo, QStringLiteral("/dev/null"), dir.MakeFolder(QStringLiteral("folder"))}) {
        CSyncLog log;
        QString message;
        EXPECT_FALSE(log.Open(path, March1(), &message)) << path.toStdString();
        EXPECT_EQ(message, QStringLiteral("ログファイル %1 を開けません。\n通常のファイルではありません。").arg(path));
        EXPECT_FALSE(log.IsOpen());
    }
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0); // nothing went into the FIFO
    ::close(reader);
    // Without a reader an open would wait for one: refused instead.
    EXPECT_FALSE(CSyncLog().Open(fifo, March1(), nullptr));

    const QString real = dir.WriteFile(QStringLiteral("real.log"));
    const QString link = dir.MakeLink(QStringLiteral("link.log"), real);
    CSyncLog log;
    ASSERT_TRUE(log.Open(link, March1(), nullptr));
    log.WriteDeletion(QStringLiteral("/x"));
    log.Close();
    EXPECT_EQ(TestDir::ReadFile(real), Utf16(QStringLiteral("2004/03/01 09:05:03 DEL /x\r\n")));
}

TEST(SyncLog, AHeldLineReachesTheFileWithinTheHoldTimeWithoutFurtherCalls)
{
    TestDir dir;
    const QString path = dir.PathOf(QStringLiteral("sync.log"));
    CSyncLog log;
    ASSERT_TRUE(log.Open(path, March1(), nullptr));
    const QByteArray first = Utf16(QStringLiteral("2004/03/01 09:05:03 DEL /first\r\n"));
    const QByteArray second = Utf16(QStringLiteral("2004/03/01 09:05:03 DEL /second\r\n"));
    // The first line after a quiet second is written at once; the next is held for a block.
    log.WriteDeletion(QStringLiteral("/first"));
    EXPECT_EQ(TestDir::ReadFile(path), first);
    log.WriteDeletion(QStringLiteral("/second"));
    const auto start = std::chrono::steady_clock::now();
    while (TestDir::ReadFile(path) != first + second
        && std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(TestDir::ReadFile(path), first + second);
    EXPECT_TRUE(log.WriteError().isEmpty());

    // Flush and Sync write at once.
    log.WriteDeletion(QStringLiteral("/third"));
    EXPECT_TRUE(log.Sync());
    EXPECT_EQ(TestDir::ReadFile(path), first + second + Utf16(QStringLiteral("2004/03/01 09:05:03 DEL /third\r\n")));
}

TEST(SyncLog, LinesInOrderFollowTheListWhateverOrderTheItemsEndIn)
{
    QStringList written;
    CLogLinesInOrder lines(5, [&written](qsizetype i) { written << QString::number(i); });
    lines.ItemDone(1);
    EXPECT_TRUE(written.isEmpty());
    lines.ItemDone(0);
    EXPECT_EQ(written, (QStringList{QStringLiteral("0"), QStringLiteral("1")}));
    lines.ItemDone(3);
    lines.ItemDone(9); // no such item
    EXPECT_EQ(written.size(), 2);
    // Items that never ended (a cancel) are written at the end, in order.
    lines.Finish();
    EXPECT_EQ(written.join(QLatin1Char(',')), QStringLiteral("0,1,2,3,4"));
}
