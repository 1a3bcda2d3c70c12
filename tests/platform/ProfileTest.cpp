#include "support/TestDir.h"

#include "platform/FileName.h"
#include "platform/Profile.h"

#include <QDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

TEST_F(ProfileTest, FileThatCannotBeReadIsNeverReplaced)
{
    const QByteArray latin1("[OptionDisp]\nFlags=7\nHelpFilePath=/home/u/caf\xE9.htm\n");
    dir.WriteFile(S("Corvane/Pairwell.ini"), latin1);
    CProfile profile(path);
    EXPECT_EQ(profile.GetProfileInt(S("OptionDisp"), S("Flags"), -1), -1);
    EXPECT_FALSE(profile.WriteProfileInt(S("OptionDisp"), S("Flags"), 0x2B));
    EXPECT_FALSE(profile.WriteProfileString(S("Other"), S("x"), S("y")));
    EXPECT_FALSE(profile.DeleteProfileValue(S("OptionDisp"), S("Flags")));
    EXPECT_EQ(profile.GetProfileInt(S("OptionDisp"), S("Flags"), -1), -1);
    EXPECT_EQ(TestDir::ReadFile(path), latin1);
    EXPECT_EQ(Entries(dir.PathOf(S("Corvane"))), QStringList{S("Pairwell.ini")});

    // Once the file is readable again, it is read and written as usual.
    dir.WriteFile(S("Corvane/Pairwell.ini"), "[OptionDisp]\nFlags=7\n");
    EXPECT_EQ(profile.GetProfileInt(S("OptionDisp"), S("Flags"), -1), 7);
    EXPECT_TRUE(profile.WriteProfileInt(S("OptionDisp"), S("Flags"), 8));
}

TEST_F(ProfileTest, FolderInThePlaceOfTheFileIsLeftAlone)
{
    dir.WriteFile(S("Corvane/Pairwell.ini/inside.txt"), "keep");
    CProfile profile(path);
    EXPECT_EQ(profile.GetProfileString(S("S"), S("x"), S("default")), S("default"));
    EXPECT_FALSE(profile.WriteProfileString(S("S"), S("x"), S("y")));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(S("Corvane/Pairwell.ini/inside.txt"))), QByteArray("keep"));
    EXPECT_EQ(Entries(dir.PathOf(S("Corvane"))), QStringList{S("Pairwell.ini")});
}

TEST_F(ProfileTest, FifoInThePlaceOfTheFileDoesNotHang)
{
    dir.MakeFolder(S("Corvane"));
    ASSERT_EQ(::mkfifo(EncodeFileName(path).constData(), 0600), 0);
    CProfile profile(path);
    EXPECT_EQ(profile.GetProfileInt(S("S"), S("x"), 5), 5);
    EXPECT_FALSE(profile.WriteProfileInt(S("S"), S("x"), 6));
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
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = profile.WriteProfileString(S("S"), S("a"), QString(1000, u'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

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

    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = before.size() + 8;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = profile.ReplaceSectionValues(S("F"), V({{"c", "3"}, {"d", "4444444444444444"}}));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(TestDir::ReadFile(path), before);
    EXPECT_EQ(CProfile(path).GetSectionValues(S("F")), V({{"a", "1"}, {"b", "2"}}));
}
