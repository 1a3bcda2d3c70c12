#include "FileSizeLimit.h"
#include "support/TestDir.h"

#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Profile.h"
#include "support/AccessOverride.h"

#include <QDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

using Values = std::vector<std::pair<QString, QString>>;

Values V(std::initializer_list<std::pair<const char*, const char*>> list)
{
    Values values;
    for (const auto& [name, value] : list)
        values.emplace_back(S(name), S(value));
    return values;
}

// The bytes of a literal, NUL bytes included.
template <size_t N> QByteArray B(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

ino_t InodeOf(const QString& path)
{
    struct stat st = {};
    return ::lstat(EncodeFileName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Sets or clears the immutable flag of a folder; false where the file system or
// the process's capabilities do not allow it.
bool SetImmutable(const QString& path, bool on)
{
    const int fd = ::open(EncodeFileName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

class ProfileTest : public ::testing::Test
{
protected:
    TestDir dir;
    QString path = dir.PathOf(S("Corvane/Pairwell.ini"));
};

} // namespace

TEST_F(ProfileTest, MissingFileReadsAsDefaultsAndIsCreatedByTheFirstWrite)
{
    CProfile profile(path);
    EXPECT_EQ(profile.GetProfileInt(S("OptionDisp"), S("Flags"), -1), -1);
    EXPECT_EQ(profile.GetProfileString(S("OptionDisp"), S("HelpFilePath"), S("none")), S("none"));
    EXPECT_TRUE(profile.GetSectionValues(S("FileFilter")).empty());
    EXPECT_TRUE(profile.DeleteProfileValue(S("FileFilter"), S("x")));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(S("Corvane")))); // reading and no-op deletes create nothing

    ASSERT_TRUE(profile.WriteProfileInt(S("OptionDisp"), S("Flags"), 0x2B));
    EXPECT_EQ(TestDir::ReadFile(path), QByteArray("[OptionDisp]\nFlags=43\n"));
    EXPECT_EQ(Entries(dir.PathOf(S("Corvane"))), QStringList{S("Pairwell.ini")});
}

TEST_F(ProfileTest, ValuesAndSectionsKeepTheirFirstWrittenOrder)
{
    {
        CProfile profile(path);
        ASSERT_TRUE(profile.WriteProfileString(S("FileFilter"), S("zeta"), S("!*.bak")));
        ASSERT_TRUE(profile.WriteProfileString(S("FileFilter"), S("alpha"), S("*.txt")));
        ASSERT_TRUE(profile.WriteProfileInt(S("Frame"), S("Left"), 10));
        ASSERT_TRUE(profile.WriteProfileString(S("FileFilter"), S("mid"), S("")));
        ASSERT_TRUE(profile.WriteProfileString(S("FileFilter"), S("zeta"), S("!*.tmp"))); // keeps its place
        EXPECT_EQ(profile.GetSectionValues(S("FileFilter")), V({{"zeta", "!*.tmp"}, {"alpha", "*.txt"}, {"mid", ""}}));
        ASSERT_TRUE(profile.DeleteProfileValue(S("FileFilter"), S("alpha")));
        ASSERT_TRUE(profile.WriteProfileString(S("FileFilter"), S("alpha"), S("*.c"))); // back at the end
        EXPECT_EQ(profile.GetSectionValues(S("FileFilter")), V({{"zeta", "!*.tmp"}, {"mid", ""}, {"alpha", "*.c"}}));
    }
    EXPECT_EQ(TestDir::ReadFile(path), QByteArray("[FileFilter]\nzeta=!*.tmp\nmid=\nalpha=*.c\n\n[Frame]\nLeft=10\n"));

    CProfile reloaded(path);
    EXPECT_EQ(reloaded.GetSectionValues(S("FileFilter")), V({{"zeta", "!*.tmp"}, {"mid", ""}, {"alpha", "*.c"}}));
    EXPECT_EQ(reloaded.GetProfileInt(S("Frame"), S("Left"), 0), 10);
    // Deleting every value of a section leaves the section in its place.
    ASSERT_TRUE(reloaded.DeleteProfileValue(S("FileFilter"), S("zeta")));
    ASSERT_TRUE(reloaded.DeleteProfileValue(S("FileFilter"), S("mid")));
    ASSERT_TRUE(reloaded.DeleteProfileValue(S("FileFilter"), S("alpha")));
    ASSERT_TRUE(reloaded.WriteProfileString(S("FileFilter"), S("new"), S("*.h")));
    EXPECT_EQ(TestDir::ReadFile(path), QByteArray("[FileFilter]\nnew=*.h\n\n[Frame]\nLeft=10\n"));
}

TEST_F(ProfileTest, AnyNameAndValueRoundTripsExactly)
{
    const QString undecodablePath = DecodeFileName(QByteArray("/home/u/caf\xE9/log.txt"));
    const QStringList texts = {
        S(""),
        S(" "),
        S("a=b"),
        S("=leading equals"),
        S("[x]"),
        S("]"),
        S("  leading spaces"),
        S("trailing spaces  "),
        S("\ttab\tinside\t"),
        S("line1\nline2\r\nline3\r"),
        S("back\\slash\\"),
        S("\\n is not a newline"),
        S("\\s\\u0041\\"),
        S(";not a comment"),
        S("#not a comment"),
        S("日本語の値　全角空白　"),
        S("C:\\Program Files\\x.exe"),
        S("emoji \xF0\x9F\x98\x80 pair"),
        QString(QChar(char16_t(0x0001))) + S("control") + QChar(char16_t(0x7F)),
        QString(QChar(char16_t(0xFEFF))) + S("bom-like"),
        undecodablePath,
        QString(QChar(char16_t(0xD800))),
    };
    {
        CProfile profile(path);
        int index = 0;
        for (const QString& name : texts) {
            const QString& value = texts.at((index + 5) % texts.size());
            ASSERT_TRUE(profile.WriteProfileString(S("Section"), name, value)) << index;
            ASSERT_TRUE(profile.WriteProfileString(name, S("value"), name)) << index;
            ++index;
        }
    }
    const QByteArray bytes = TestDir::ReadFile(path);
    EXPECT_FALSE(QString::fromUtf8(bytes).contains(QChar::ReplacementCharacter));
    // One line per value and header, one blank line between sections: nothing leaked a line break.
    const qsizetype sections = texts.size() + 1;
    EXPECT_EQ(bytes.count('\n'), sections + 2 * texts.size() + (sections - 1));

    CProfile reloaded(path);
    Values expected;
    for (int index = 0; index < texts.size(); ++index) {
        expected.emplace_back(texts.at(index), texts.at((index + 5) % texts.size()));
        EXPECT_EQ(reloaded.GetProfileString(texts.at(index), S("value"), S("missing")), texts.at(index)) << index;
    }
    EXPECT_EQ(reloaded.GetSectionValues(S("Section")), expected);
}

TEST_F(ProfileTest, IntegersAreSigned32BitDecimals)
{
    CProfile profile(path);
    ASSERT_TRUE(profile.WriteProfileInt(S("S"), S("minus"), -1));
    ASSERT_TRUE(profile.WriteProfileInt(S("S"), S("min"), INT_MIN));
    ASSERT_TRUE(profile.WriteProfileInt(S("S"), S("max"), INT_MAX));
    ASSERT_TRUE(profile.WriteProfileInt(S("S"), S("bits"), int(0x80000040u)));
    EXPECT_EQ(
        TestDir::ReadFile(path), QByteArray("[S]\nminus=-1\nmin=-2147483648\nmax=2147483647\nbits=-2147483584\n"));

    CProfile reloaded(path);
    EXPECT_EQ(reloaded.GetProfileInt(S("S"), S("minus"), 0), -1);
    EXPECT_EQ(quint32(reloaded.GetProfileInt(S("S"), S("minus"), 0)), 0xFFFFFFFFu);
    EXPECT_EQ(reloaded.GetProfileInt(S("S"), S("min"), 0), INT_MIN);
    EXPECT_EQ(reloaded.GetProfileInt(S("S"), S("max"), 0), INT_MAX);
    EXPECT_EQ(quint32(reloaded.GetProfileInt(S("S"), S("bits"), 0)), 0x80000040u);
    EXPECT_EQ(reloaded.GetProfileInt(S("S"), S("absent"), 0x40), 0x40);
}

TEST_F(ProfileTest, HandWrittenFileIsReadLeniently)
{
    dir.WriteFile(S("Corvane/Pairwell.ini"),
        "\xEF\xBB\xBF"
        "orphan=before any section\r\n"
        "; a comment\r\n"
        "[Numbers]\r\n"
        "  unsigned = 4294967295  \r\n"
        "word=abc\r\n"
        "mixed=12abc\r\n"
        "empty=\r\n"
        "big=4294967296\r\n"
        "line without equals\r\n"
        "dup=first\r\n"
        "dup=second\r\n"
        "[broken\r\n"
        "lost=value\r\n"
        "[Strings] trailing\r\n"
        "lost2=value\r\n"
        "[Strings]\r\n"
        "# another comment\r\n"
        "path = /home/u/a b \r\n");
    CProfile profile(path);
    EXPECT_EQ(profile.GetProfileInt(S("Numbers"), S("unsigned"), 0), -1);
    EXPECT_EQ(profile.GetProfileInt(S("Numbers"), S("word"), 7), 7);
    EXPECT_EQ(profile.GetProfileInt(S("Numbers"), S("mixed"), 7), 7);
    EXPECT_EQ(profile.GetProfileInt(S("Numbers"), S("empty"), 7), 7);
    EXPECT_EQ(profile.GetProfileInt(S("Numbers"), S("big"), 7), 7);
    EXPECT_EQ(profile.GetProfileString(S("Numbers"), S("dup")), S("second"));
    EXPECT_EQ(profile.GetSectionValues(S("Numbers")).size(), 6u);
    EXPECT_EQ(profile.GetProfileString(S("Strings"), S("path")), S("/home/u/a b"));
    EXPECT_EQ(profile.GetSectionValues(S("Strings")).size(), 1u);
    EXPECT_EQ(profile.GetProfileString(S("broken"), S("lost"), S("-")), S("-"));
    EXPECT_EQ(profile.GetProfileString(QString(), S("orphan"), S("-")), S("-"));

    // A write keeps every value it could read.
    ASSERT_TRUE(profile.WriteProfileString(S("Strings"), S("more"), S("x")));
    CProfile reloaded(path);
    EXPECT_EQ(reloaded.GetProfileInt(S("Numbers"), S("unsigned"), 0), -1);
    EXPECT_EQ(reloaded.GetProfileString(S("Strings"), S("path")), S("/home/u/a b"));
    EXPECT_EQ(reloaded.GetProfileString(S("Strings"), S("more")), S("x"));
}

TEST_F(ProfileTest, LineThatIsNotUtf8CostsOnlyItselfAndIsKeptByWrites)
{
    const QByteArray latin1("[OptionDisp]\nFlags=7\nHelpFilePath=/home/u/caf\xE9.htm\n");
    dir.WriteFile(S("Corvane/Pairwell.ini"), latin1);
    CProfile profile(path);
    EXPECT_EQ(profile.GetProfileInt(S("OptionDisp"), S("Flags"), -1), 7);
    EXPECT_EQ(profile.GetProfileString(S("OptionDisp"), S("HelpFilePath"), S("-")), S("-"));
    EXPECT_EQ(profile.Damage().lines, std::vector<qsizetype>{3});
    EXPECT_FALSE(profile.IsSectionComplete(S("OptionDisp")));
    EXPECT_TRUE(profile.IsSectionComplete(S("FileFilter")));

    // Writes go on; the line that could not be read stays, byte for byte, in its section.
    ASSERT_TRUE(profile.WriteProfileInt(S("OptionDisp"), S("Flags"), 0x2B));
    ASSERT_TRUE(profile.WriteProfileString(S("Other"), S("x"), S("y")));
    EXPECT_EQ(TestDir::ReadFile(path),
        QByteArray("[OptionDisp]\nFlags=43\nHelpFilePath=/home/u/caf\xE9.htm\n\n[Other]\nx=y\n"));
    EXPECT_EQ(profile.Damage().lines, std::vector<qsizetype>{3});
    EXPECT_TRUE(profile.LastError().isEmpty());
    EXPECT_EQ(Entries(dir.PathOf(S("Corvane"))), QStringList{S("Pairwell.ini")});

    // Once the line is mended, it is read and the damage is gone.
    dir.WriteFile(S("Corvane/Pairwell.ini"), "[OptionDisp]\nFlags=7\nHelpFilePath=/home/u/caf\xC3\xA9.htm\n");
    EXPECT_EQ(profile.GetProfileString(S("OptionDisp"), S("HelpFilePath")), S("/home/u/café.htm"));
    EXPECT_FALSE(profile.Damage().Any());
    EXPECT_TRUE(ProfileDamageText(profile).isEmpty());
}

// Which lines are skipped, and which sections may have lost a value with them.
TEST_F(ProfileTest, DamagedLinesAreSkippedAndTheirSectionsKnown)
{
    struct Case
    {
        const char* name;
        QByteArray content;
        std::vector<qsizetype> lines;
        Values filters; // what FileFilter reads
        bool filtersComplete;
        bool optionsComplete; // OptionSync
    };
    const std::vector<Case> cases = {
        {"clean", B("[FileFilter]\nkeep=!*.bak\n[OptionSync]\nFlags=64\n"), {}, V({{"keep", "!*.bak"}}), true, true},
        {"stray byte in a filter value", B("[FileFilter]\na=*.c\nkeep=!*.b\xFF\nb=*.h\n[OptionSync]\nFlags=64\n"), {3},
            V({{"a", "*.c"}, {"b", "*.h"}}), false, true},
        {"overlong encoding", B("[FileFilter]\nk\xC0\xAF=x\nb=*.h\n"), {2}, V({{"b", "*.h"}}), false, true},
        {"encoded surrogate", B("[FileFilter]\nk=\xED\xA0\x80\nb=*.h\n"), {2}, V({{"b", "*.h"}}), false, true},
        {"NUL bytes", B("[FileFilter]\nb=*.h\n\0\0\0\n[OptionSync]\nFlags=64\n"), {3}, V({{"b", "*.h"}}), false, true},
        {"no equals sign", B("[OptionSync]\nFlags 64\n[FileFilter]\nb=*.h\n"), {2}, V({{"b", "*.h"}}), true, false},
        {"before any section", B("orphan=1\n[FileFilter]\nb=*.h\n"), {1}, V({{"b", "*.h"}}), true, true},
        {"broken header: its lines are lost with it", B("[FileFilter]\nb=*.h\n[Option\xFFSync]\nFlags=64\nx=1\n"), {3},
            V({{"b", "*.h"}}), false, false},
        {"unclosed header", B("[OptionSync\nFlags=64\n[FileFilter]\nb=*.h\n"), {1}, V({{"b", "*.h"}}), false, false},
        {"comments, blanks and CRLF are fine", B("; c\r\n# d\r\n\r\n[FileFilter]\r\n  b = *.h \r\n"), {},
            V({{"b", "*.h"}}), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.WriteFile(S("Corvane/Pairwell.ini"), c.content);
        CProfile profile(path);
        bool complete = !c.filtersComplete;
        EXPECT_EQ(profile.GetSectionValues(S("FileFilter"), &complete), c.filters);
        EXPECT_EQ(complete, c.filtersComplete);
        EXPECT_EQ(profile.IsSectionComplete(S("OptionSync")), c.optionsComplete);
        EXPECT_EQ(profile.Damage().lines, c.lines);
        EXPECT_TRUE(profile.Damage().unreadable.isEmpty());
        EXPECT_EQ(ProfileDamageText(profile).isEmpty(), c.lines.empty());

        // A write keeps every line it could not read, and they read the same afterwards.
        ASSERT_TRUE(profile.WriteProfileString(S("Frame"), S("Left"), S("1")));
        const QByteArray written = TestDir::ReadFile(path);
        for (const qsizetype number : c.lines) {
            const QByteArray line = c.content.split('\n').at(number - 1);
            EXPECT_TRUE(written.contains(QByteArray(line + '\n'))) << written.toStdString();
        }
        CProfile reread(path);
        EXPECT_EQ(reread.GetSectionValues(S("FileFilter"), &complete), c.filters);
        EXPECT_EQ(complete, c.filtersComplete);
        EXPECT_EQ(reread.Damage().lines.size(), c.lines.size());
        // And a second write does not make the file grow.
        ASSERT_TRUE(reread.WriteProfileString(S("Frame"), S("Left"), S("2")));
        EXPECT_EQ(TestDir::ReadFile(path).size(), written.size());
    }
}

TEST_F(ProfileTest, DamageTextNamesTheFileAndTheLines)
{
    QByteArray content("[FileFilter]\n");
    for (int i = 1; i <= 25; ++i)
        content += "bad" + QByteArray::number(i) + "=\xFF\n";
    dir.WriteFile(S("Corvane/Pairwell.ini"), content);
    CProfile profile(path);
    const QString text = ProfileDamageText(profile);
    EXPECT_TRUE(text.startsWith(S("設定ファイルの一部を読み込めませんでした。\n") + path + u'\n'))
        << text.toStdString();
    EXPECT_TRUE(text.contains(S("読み込めなかった行: 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, "
                                "20, 21 ほか 5 行\n")))
        << text.toStdString();

    const QString folder = dir.PathOf(S("elsewhere/Pairwell.ini"));
    dir.MakeFolder(S("elsewhere/Pairwell.ini"));
    CProfile unreadable(folder);
    EXPECT_TRUE(
        ProfileDamageText(unreadable).startsWith(S("設定ファイルを読み込めませんでした。\n") + folder + S(": ")));
}

TEST_F(ProfileTest, FileWithoutReadPermissionIsReportedAndNeverReplaced)
{
    dir.WriteFile(S("Corvane/Pairwell.ini"), "[FileFilter]\nkeep=!*.bak\n");
    ASSERT_EQ(::chmod(EncodeFileName(path).constData(), 0200), 0);
    {
        CWithoutAccessOverride plainPermissions;
        CProfile profile(path);
        bool complete = true;
        EXPECT_TRUE(profile.GetSectionValues(S("FileFilter"), &complete).empty());
        EXPECT_FALSE(complete);
        EXPECT_FALSE(profile.Damage().unreadable.isEmpty());
        EXPECT_FALSE(profile.WriteProfileString(S("FileFilter"), S("new"), S("x")));
        EXPECT_TRUE(profile.LastError().startsWith(path + S(": "))) << profile.LastError().toStdString();
        EXPECT_FALSE(profile.ReplaceSectionValues(S("FileFilter"), {}));
    }
    ::chmod(EncodeFileName(path).constData(), 0600);
    EXPECT_EQ(TestDir::ReadFile(path), QByteArray("[FileFilter]\nkeep=!*.bak\n"));
    EXPECT_EQ(Entries(dir.PathOf(S("Corvane"))), QStringList{S("Pairwell.ini")});
}

TEST_F(ProfileTest, FileThatCouldNotBeOpenedIsReadOnceItCanBe)
{
    dir.WriteFile(S("Corvane/Pairwell.ini"), "[S]\na=1\n");
    ASSERT_EQ(::chmod(EncodeFileName(path).constData(), 0200), 0);
    CProfile profile(path);
    {
        CWithoutAccessOverride plainPermissions;
        EXPECT_EQ(profile.GetProfileInt(S("S"), S("a"), 0), 0);
        EXPECT_FALSE(profile.Damage().unreadable.isEmpty());
    }
    // The file itself did not change: only the reader may now open it.
    EXPECT_EQ(profile.GetProfileInt(S("S"), S("a"), 0), 1);
    EXPECT_FALSE(profile.Damage().Any());
}

TEST_F(ProfileTest, FolderInThePlaceOfTheFileIsLeftAlone)
{
    dir.WriteFile(S("Corvane/Pairwell.ini/inside.txt"), "keep");
    CProfile profile(path);
    EXPECT_EQ(profile.GetProfileString(S("S"), S("x"), S("default")), S("default"));
    EXPECT_FALSE(profile.IsSectionComplete(S("S")));
    EXPECT_FALSE(profile.WriteProfileString(S("S"), S("x"), S("y")));
    EXPECT_FALSE(profile.WriteProfileValues(S("S"), V({{"x", "y"}, {"z", "w"}})));
    EXPECT_FALSE(profile.ReplaceSectionValues(S("FileFilter"), V({{"keep", "!*.bak"}})));
    EXPECT_EQ(profile.LastError(), path + S(": ") + SystemErrorText(EISDIR));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(S("Corvane/Pairwell.ini/inside.txt"))), QByteArray("keep"));
    EXPECT_EQ(Entries(dir.PathOf(S("Corvane"))), QStringList{S("Pairwell.ini")});
    EXPECT_EQ(Entries(path), QStringList{S("inside.txt")});
}

TEST_F(ProfileTest, FifoInThePlaceOfTheFileDoesNotHang)
{
    dir.MakeFolder(S("Corvane"));
    ASSERT_EQ(::mkfifo(EncodeFileName(path).constData(), 0600), 0);
    CProfile profile(path);
    EXPECT_EQ(profile.GetProfileInt(S("S"), S("x"), 5), 5);
    EXPECT_FALSE(profile.WriteProfileInt(S("S"), S("x"), 6));
    EXPECT_FALSE(profile.Damage().unreadable.isEmpty());
    EXPECT_FALSE(profile.LastError().isEmpty());
}

TEST_F(ProfileTest, EveryWriteReplacesTheFileAtomically)
{
    CProfile profile(path);
    ASSERT_TRUE(profile.WriteProfileString(S("S"), S("a"), S("1")));
    const ino_t first = InodeOf(path);
    ASSERT_TRUE(profile.WriteProfileString(S("S"), S("a"), S("2")));
    const ino_t second = InodeOf(path);
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);
    // Writing the value it already has changes nothing on disk.
    ASSERT_TRUE(profile.WriteProfileString(S("S"), S("a"), S("2")));
    EXPECT_EQ(InodeOf(path), second);
    EXPECT_EQ(Entries(dir.PathOf(S("Corvane"))), QStringList{S("Pairwell.ini")});
}

TEST_F(ProfileTest, FailedWriteLeavesTheOldFileAndNoTemporaryFile)
{
    CProfile profile(path);
    ASSERT_TRUE(profile.WriteProfileString(S("S"), S("a"), S("old")));
    const QByteArray before = TestDir::ReadFile(path);

    // The file-size limit makes the write of the new content fail half-way.
    bool written = true;
    {
        const CFileSizeLimit limit(64);
        ASSERT_TRUE(limit.IsSet());
        written = profile.WriteProfileString(S("S"), S("a"), QString(1000, u'x'));
    }

    EXPECT_FALSE(written);
    EXPECT_EQ(TestDir::ReadFile(path), before);
    EXPECT_EQ(profile.GetProfileString(S("S"), S("a")), S("old"));
    EXPECT_EQ(Entries(dir.PathOf(S("Corvane"))), QStringList{S("Pairwell.ini")});
}

TEST_F(ProfileTest, WriteIntoAnUnwritableFolderFails)
{
    CProfile profile(path);
    ASSERT_TRUE(profile.WriteProfileString(S("S"), S("a"), S("old")));
    const QByteArray before = TestDir::ReadFile(path);
    const QString folder = dir.PathOf(S("Corvane"));
    const bool root = ::geteuid() == 0;
    if (root ? !SetImmutable(folder, true) : ::chmod(EncodeFileName(folder).constData(), 0555) != 0)
        GTEST_SKIP() << "the folder cannot be made unwritable here";
    const bool written = profile.WriteProfileString(S("S"), S("a"), S("new"));
    if (root)
        SetImmutable(folder, false);
    else
        ::chmod(EncodeFileName(folder).constData(), 0755);
    EXPECT_FALSE(written);
    EXPECT_EQ(TestDir::ReadFile(path), before);
    EXPECT_EQ(profile.GetProfileString(S("S"), S("a")), S("old"));
    EXPECT_EQ(Entries(folder), QStringList{S("Pairwell.ini")});
}

TEST_F(ProfileTest, TwoProfilesOnOneFileSeeEachOthersWrites)
{
    CProfile window(path);
    CProfile commandLine(path);
    EXPECT_EQ(window.GetProfileInt(S("OptionSync"), S("Flags"), -1), -1);
    EXPECT_EQ(commandLine.GetProfileInt(S("OptionSync"), S("Flags"), -1), -1);

    ASSERT_TRUE(window.WriteProfileInt(S("OptionSync"), S("Flags"), 0x40));
    EXPECT_EQ(commandLine.GetProfileInt(S("OptionSync"), S("Flags"), -1), 0x40);
    ASSERT_TRUE(commandLine.WriteProfileString(S("OptionSync"), S("LogFilePath"), S("/tmp/log.txt")));
    // A write never drops what the other one wrote in between.
    ASSERT_TRUE(window.WriteProfileInt(S("OptionDisp"), S("Flags"), 1));
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(window.WriteProfileInt(S("OptionSync"), S("Flags"), round));
        EXPECT_EQ(commandLine.GetProfileInt(S("OptionSync"), S("Flags"), -1), round);
        ASSERT_TRUE(commandLine.WriteProfileInt(S("OptionSync"), S("Flags"), round + 100));
        EXPECT_EQ(window.GetProfileInt(S("OptionSync"), S("Flags"), -1), round + 100);
    }
    CProfile third(path);
    EXPECT_EQ(third.GetSectionValues(S("OptionSync")), V({{"Flags", "119"}, {"LogFilePath", "/tmp/log.txt"}}));
    EXPECT_EQ(third.GetProfileInt(S("OptionDisp"), S("Flags"), -1), 1);

    // A file removed behind the profile's back reads as empty again.
    ASSERT_EQ(::unlink(EncodeFileName(path).constData()), 0);
    EXPECT_EQ(window.GetProfileInt(S("OptionSync"), S("Flags"), -1), -1);
}

TEST_F(ProfileTest, ProfileKeptAsALinkIsWrittenThroughTheLink)
{
    const QString real = dir.WriteFile(S("dotfiles/Pairwell.ini"), "[S]\na=1\n");
    dir.MakeLink(S("Corvane/Pairwell.ini"), real);
    CProfile profile(path);
    EXPECT_EQ(profile.GetProfileInt(S("S"), S("a"), 0), 1);
    ASSERT_TRUE(profile.WriteProfileInt(S("S"), S("b"), 2));
    struct stat st = {};
    ASSERT_EQ(::lstat(EncodeFileName(path).constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(TestDir::ReadFile(real), QByteArray("[S]\na=1\nb=2\n"));
    EXPECT_EQ(Entries(dir.PathOf(S("dotfiles"))), QStringList{S("Pairwell.ini")});
}

TEST_F(ProfileTest, ExistingFilePermissionsAndOwnerAreKept)
{
    dir.WriteFile(S("Corvane/Pairwell.ini"), "[S]\na=1\n");
    ASSERT_EQ(::chmod(EncodeFileName(path).constData(), 0640), 0);
    // Root writing a user's profile leaves it owned by the user.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(EncodeFileName(path).constData(), 4321, 4322), 0);
    }
    CProfile profile(path);
    ASSERT_TRUE(profile.WriteProfileInt(S("S"), S("a"), 2));
    struct stat st = {};
    ASSERT_EQ(::stat(EncodeFileName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
}

TEST(ProfileLocation, EnvironmentChoosesTheFile)
{
    const QByteArray savedProfile = qgetenv("PAIRWELL_PROFILE");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");

    qunsetenv("PAIRWELL_PROFILE");
    qputenv("XDG_CONFIG_HOME", "/x/config");
    EXPECT_EQ(CProfile::DefaultPath(), S("/x/config/Corvane/Pairwell.ini"));
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", "/home/someone");
    EXPECT_EQ(CProfile::DefaultPath(), S("/home/someone/.config/Corvane/Pairwell.ini"));
    qputenv("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(CProfile::DefaultPath(), S("/home/someone/.config/Corvane/Pairwell.ini"));
    qputenv("PAIRWELL_PROFILE", "/elsewhere/p.ini");
    EXPECT_EQ(CProfile::DefaultPath(), S("/elsewhere/p.ini"));

    auto restore = [](const char* name, const QByteArray& value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    restore("PAIRWELL_PROFILE", savedProfile);
    restore("XDG_CONFIG_HOME", savedConfig);
    restore("HOME", savedHome);
}

TEST(ProfileLocation, InstanceFollowsSetInstancePath)
{
    TestDir dir;
    const QString first = dir.PathOf(S("first.ini"));
    const QString second = dir.PathOf(S("second.ini"));
    CProfile::SetInstancePath(first);
    CProfile& instance = CProfile::Instance();
    EXPECT_EQ(instance.Path(), first);
    ASSERT_TRUE(instance.WriteProfileInt(S("S"), S("v"), 1));

    CProfile::SetInstancePath(second);
    // The same object now reads the other file; references stay valid.
    EXPECT_EQ(&CProfile::Instance(), &instance);
    EXPECT_EQ(instance.Path(), second);
    EXPECT_EQ(instance.GetProfileInt(S("S"), S("v"), 0), 0);
    ASSERT_TRUE(instance.WriteProfileInt(S("S"), S("v"), 2));
    EXPECT_EQ(TestDir::ReadFile(first), QByteArray("[S]\nv=1\n"));
    EXPECT_EQ(TestDir::ReadFile(second), QByteArray("[S]\nv=2\n"));
}

TEST_F(ProfileTest, ASectionIsReplacedInOneWrite)
{
    CProfile profile(path);
    ASSERT_TRUE(profile.WriteProfileString(S("Before"), S("x"), S("1")));
    ASSERT_TRUE(profile.WriteProfileString(S("F"), S("old"), S("o")));
    ASSERT_TRUE(profile.WriteProfileString(S("F"), S("b"), S("stale")));
    ASSERT_TRUE(profile.WriteProfileString(S("After"), S("y"), S("2")));

    // The new values in their order; a name given twice keeps its first place and its last value.
    ASSERT_TRUE(profile.ReplaceSectionValues(S("F"), V({{"b", "1"}, {"a", "2"}, {"b", "3"}})));
    CProfile reread(path);
    EXPECT_EQ(reread.GetSectionValues(S("F")), V({{"b", "3"}, {"a", "2"}}));
    EXPECT_EQ(reread.GetSectionValues(S("Before")), V({{"x", "1"}}));
    EXPECT_EQ(reread.GetSectionValues(S("After")), V({{"y", "2"}}));
    EXPECT_EQ(Entries(dir.PathOf(S("Corvane"))), QStringList{S("Pairwell.ini")});

    // The same values again change nothing on disk.
    const ino_t written = InodeOf(path);
    ASSERT_TRUE(profile.ReplaceSectionValues(S("F"), V({{"b", "3"}, {"a", "2"}})));
    EXPECT_EQ(InodeOf(path), written);

    // Emptied, the section stays; an absent one is not made for no values.
    ASSERT_TRUE(profile.ReplaceSectionValues(S("F"), {}));
    ASSERT_TRUE(profile.ReplaceSectionValues(S("None"), {}));
    const QString text = QString::fromUtf8(TestDir::ReadFile(path));
    EXPECT_TRUE(text.contains(S("[F]\n")));
    EXPECT_FALSE(text.contains(S("[None]")));
    EXPECT_TRUE(CProfile(path).GetSectionValues(S("F")).empty());
}

TEST_F(ProfileTest, SeveralValuesAreWrittenInOneReplacementKeepingTheOthers)
{
    CProfile profile(path);
    ASSERT_TRUE(profile.WriteProfileString(S("C"), S("a"), S("1")));
    ASSERT_TRUE(profile.WriteProfileString(S("C"), S("keep"), S("k")));
    const ino_t before = InodeOf(path);

    ASSERT_TRUE(profile.WriteProfileValues(S("C"), V({{"new", "n"}, {"a", "2"}})));
    EXPECT_NE(InodeOf(path), before);
    // A rewritten value keeps its place, a new one goes last, the others stay.
    EXPECT_EQ(CProfile(path).GetSectionValues(S("C")), V({{"a", "2"}, {"keep", "k"}, {"new", "n"}}));

    const ino_t written = InodeOf(path);
    ASSERT_TRUE(profile.WriteProfileValues(S("C"), V({{"a", "2"}})));
    EXPECT_EQ(InodeOf(path), written); // nothing changed, nothing written

    ASSERT_TRUE(profile.WriteProfileValues(S("D"), V({{"x", "1"}, {"y", "2"}})));
    EXPECT_EQ(CProfile(path).GetSectionValues(S("D")), V({{"x", "1"}, {"y", "2"}}));
}

TEST_F(ProfileTest, AFailedSectionReplacementLeavesTheOldValues)
{
    CProfile profile(path);
    ASSERT_TRUE(profile.ReplaceSectionValues(S("F"), V({{"a", "1"}, {"b", "2"}})));
    const QByteArray before = TestDir::ReadFile(path);

    bool written = true;
    {
        const CFileSizeLimit limit(rlim_t(before.size() + 8));
        ASSERT_TRUE(limit.IsSet());
        written = profile.ReplaceSectionValues(S("F"), V({{"c", "3"}, {"d", "4444444444444444"}}));
    }

    EXPECT_FALSE(written);
    EXPECT_EQ(TestDir::ReadFile(path), before);
    EXPECT_EQ(CProfile(path).GetSectionValues(S("F")), V({{"a", "1"}, {"b", "2"}}));
}

TEST_F(ProfileTest, ALockMakesReadChangeWriteOneChangeForEveryWriter)
{
    // Four writers, each with a profile of its own on the same file, as four
    // processes have: each adds its entries to what it last read.
    constexpr int kWriters = 4;
    constexpr int kEntries = 15;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([this, w] {
            CProfile profile(path);
            for (int i = 0; i < kEntries; ++i) {
                CProfileLock lock(profile);
                EXPECT_TRUE(lock.IsLocked());
                CProfile::Values values = profile.GetSectionValues(S("FileFilter"));
                values.emplace_back(S("w%1-%2").arg(w).arg(i), S("!*.x"));
                EXPECT_TRUE(profile.ReplaceSectionValues(S("FileFilter"), values));
            }
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    EXPECT_EQ(CProfile(path).GetSectionValues(S("FileFilter")).size(), size_t(kWriters * kEntries));
    EXPECT_EQ(Entries(dir.PathOf(S("Corvane"))), QStringList{S("Pairwell.ini")});
}

TEST_F(ProfileTest, LockThatCannotBeTakenFailsTheWrite)
{
    dir.WriteFile(S("file"), "x");
    CProfile profile(dir.PathOf(S("file/Pairwell.ini"))); // its folder is a file
    CProfileLock lock(profile);
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_FALSE(profile.WriteProfileString(S("S"), S("a"), S("1")));
    EXPECT_FALSE(profile.LastError().isEmpty());
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(S("file"))), QByteArray("x"));
}

TEST_F(ProfileTest, LargeSectionsReadAndWriteWithEveryValueInPlace)
{
    // Many values in one section, written and read back in order (the
    // benchmark measures the time; this checks the content).
    CProfile::Values values;
    for (int i = 0; i < 20000; ++i)
        values.emplace_back(S("entry%1").arg(i), S("!*.e%1").arg(i));
    values.emplace_back(S("entry5"), S("again")); // a name given twice keeps its first place
    CProfile profile(path);
    ASSERT_TRUE(profile.ReplaceSectionValues(S("FileFilter"), values));
    CProfile reread(path);
    const CProfile::Values read = reread.GetSectionValues(S("FileFilter"));
    ASSERT_EQ(read.size(), 20000u);
    EXPECT_EQ(read[5], std::make_pair(S("entry5"), S("again")));
    EXPECT_EQ(read[19999], std::make_pair(S("entry19999"), S("!*.e19999")));
    ASSERT_TRUE(reread.DeleteProfileValue(S("FileFilter"), S("entry0")));
    ASSERT_TRUE(reread.WriteProfileString(S("FileFilter"), S("entry19999"), S("changed")));
    EXPECT_EQ(reread.GetProfileString(S("FileFilter"), S("entry1")), S("!*.e1"));
    const CProfile::Values after = CProfile(path).GetSectionValues(S("FileFilter"));
    ASSERT_EQ(after.size(), 19999u);
    EXPECT_EQ(after.front().first, S("entry1"));
    EXPECT_EQ(after.back(), std::make_pair(S("entry19999"), S("changed")));
}
