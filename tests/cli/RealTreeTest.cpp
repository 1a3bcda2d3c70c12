// An export of a real tree (a copy of the system's C headers: names that
// differ only in letter case, links, deep folders) through pairwell-cli, and
// then of a day's changes to it, must leave the target equal to the source:
// every name, type, size, modification time and link, as a mirror would.
#include "CliRunner.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/FileName.h"
#include "support/TestDir.h"

#include <QDirIterator>
#include <QMap>
#include <QProcess>
#include <gtest/gtest.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kSystemHeaders[] = "/usr/include";

QString LinkText(const QString& path)
{
    char target[4096];
    const ssize_t n = ::readlink(EncodeFileName(path).constData(), target, sizeof target);
    return n < 0 ? QString() : DecodeFileName(QByteArray(target, n));
}

// One line per entry below `root`, by its relative path: type, size and
// modification time in nanoseconds for files, the target for links; folders
// by name only (a run synchronises files, not folder times).
QMap<QString, QString> Listing(const QString& root)
{
    QMap<QString, QString> entries;
    QDirIterator it(
        root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st;
        if (::lstat(EncodeFileName(path).constData(), &st) != 0)
            continue;
        QString line;
        if (S_ISDIR(st.st_mode))
            line = QStringLiteral("folder");
        else if (S_ISLNK(st.st_mode))
            line = QStringLiteral("link ") + LinkText(path);
        else
            line = QStringLiteral("file %1 %2.%3").arg(st.st_size).arg(st.st_mtim.tv_sec).arg(st.st_mtim.tv_nsec);
        entries.insert(path.mid(root.size()), line);
    }
    return entries;
}

// The names present on one side only or differing, for a readable failure.
QStringList Differences(const QMap<QString, QString>& source, const QMap<QString, QString>& target)
{
    QStringList differences;
    for (auto it = source.begin(); it != source.end(); ++it) {
        if (target.value(it.key()) != it.value())
            differences << it.key() + QStringLiteral(": ") + it.value() + QStringLiteral(" / ")
                    + target.value(it.key());
    }
    for (auto it = target.begin(); it != target.end(); ++it) {
        if (!source.contains(it.key()))
            differences << it.key() + QStringLiteral(": only in the target");
    }
    return differences;
}

class RealTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (::access(kSystemHeaders, R_OK | X_OK) != 0)
            GTEST_SKIP() << "no " << kSystemHeaders;
        dir.MakeFolder(QStringLiteral("tmp"));
        ASSERT_EQ(QProcess::execute(QStringLiteral("cp"),
                      {QStringLiteral("-a"), QString::fromLatin1(kSystemHeaders), dir.PathOf(QStringLiteral("P"))}),
            0);
        dir.MakeFolder(QStringLiteral("T"));
        CMyDoc doc;
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(dir.PathOf(QStringLiteral("P")), dir.PathOf(QStringLiteral("T")));
        doc.GetRoot().AddChild(std::move(node));
        ASSERT_TRUE(doc.OnSaveDocument(dir.PathOf(QStringLiteral("doc.snc"))));
    }

    // Subfolders, empty folders, deletion of files and folders, no questions.
    int Export() const
    {
        const CliResult run = RunCli({QStringLiteral("export"), dir.PathOf(QStringLiteral("doc.snc")),
                                         QStringLiteral("--flags"), QStringLiteral("0x8F"), QStringLiteral("--yes")},
            {.environment = EnvironmentIn(dir, dir.PathOf(QStringLiteral("profile.ini"))), .timeoutMs = 300'000});
        std::cerr << run.err.toStdString(); // what went wrong, in the log of the test
        return run.code;
    }

    // One more byte and an hour later.
    static void Rewrite(const QString& path)
    {
        const qint64 mtime = TestDir::MTime(path);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("\n");
        file.close();
        TestDir::SetMTime(path, mtime + 3600);
    }

    // What a day of work does to the project side: files rewritten later,
    // files added (one beside its own case variant), files and a folder
    // removed, a folder added, a file turned into a link.
    void ChangeTheProjectSide()
    {
        int count = 0;
        QDirIterator it(dir.PathOf(QStringLiteral("P")), QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext())
            files << it.next();
        files.sort();
        for (const QString& path : files) {
            ++count;
            if (count % 97 == 0)
                Rewrite(path);
            else if (count % 211 == 0)
                QFile::remove(path);
        }
        dir.WriteFile(QStringLiteral("P/linux/netfilter/xt_NEW.h"), "upper", 1'700'000'000);
        dir.WriteFile(QStringLiteral("P/linux/netfilter/xt_new.h"), "lower", 1'700'000'100);
        dir.WriteFile(QStringLiteral("P/added/deep/er/notes.h"), "added", 1'700'000'000);
        ASSERT_TRUE(QDir(dir.PathOf(QStringLiteral("P/linux/netfilter_arp"))).removeRecursively());
        const QString turned = dir.PathOf(QStringLiteral("P/stdio.h"));
        if (TestDir::Exists(turned)) {
            QFile::remove(turned);
            dir.MakeLink(QStringLiteral("P/stdio.h"), QStringLiteral("x86_64-linux-gnu/bits/stdio.h"));
        }
    }

    TestDir dir;
};

} // namespace

TEST_F(RealTree, ExportAndThenADaysChangesLeaveTheTargetEqualToTheSource)
{
    ASSERT_EQ(Export(), 0);
    const QStringList first
        = Differences(Listing(dir.PathOf(QStringLiteral("P"))), Listing(dir.PathOf(QStringLiteral("T"))));
    EXPECT_TRUE(first.isEmpty()) << first.mid(0, 20).join(QLatin1Char('\n')).toStdString();

    ChangeTheProjectSide();
    ASSERT_EQ(Export(), 0);
    const QStringList second
        = Differences(Listing(dir.PathOf(QStringLiteral("P"))), Listing(dir.PathOf(QStringLiteral("T"))));
    EXPECT_TRUE(second.isEmpty()) << second.mid(0, 20).join(QLatin1Char('\n')).toStdString();
}
