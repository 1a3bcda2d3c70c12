// The profile verbs of pairwell-cli against profile files that are damaged,
// not files at all, or written by two processes at once; and an export that
// needs filter entries the profile could not give.
#include "CliRunner.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "support/TestDir.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kOld = 1'000'000'000;

class CliProfile : public ::testing::Test
{
protected:
    TestDir dir;
    QString profile = dir.PathOf(QStringLiteral("config/Pairwell.ini"));
    QString tmp = dir.MakeFolder(QStringLiteral("tmp"));

    CliRun How() const { return {.environment = EnvironmentIn(dir, profile)}; }

    CliResult Run(const QStringList& args) const { return RunCli(args, How()); }

    static QStringList Names(const QString& json)
    {
        QStringList names;
        for (const QJsonValue& entry : QJsonDocument::fromJson(json.toUtf8()).array())
            names << entry.toObject().value(QStringLiteral("name")).toString();
        return names;
    }

    // A value of `options show --json`.
    static QJsonValue Option(const QString& json, const char* section, const char* name)
    {
        return QJsonDocument::fromJson(json.toUtf8())
            .object()
            .value(QLatin1String(section))
            .toObject()
            .value(QLatin1String(name));
    }
};

QStringList L(std::initializer_list<const char*> words)
{
    QStringList list;
    for (const char* word : words)
        list << QString::fromUtf8(word);
    return list;
}

} // namespace

TEST_F(CliProfile, AProfileThatIsAFolderFailsEveryWriteAndReplacesNothing)
{
    dir.WriteFile(QStringLiteral("config/Pairwell.ini/inside.txt"), "keep");
    const QList<QStringList> writes{
        L({"options", "set", "OptionSync.Flags", "0x41"}),
        L({"options", "set", "OptionTool.PathToolCompareText", "/usr/bin/diff"}),
        L({"filters", "set", "keep", "!*.bak"}),
    };
    for (const QStringList& args : writes) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const CliResult result = Run(args);
        EXPECT_EQ(result.code, 1);
        const QString verb = args.at(0) + u' ' + args.at(1);
        EXPECT_TRUE(result.err.contains(
            QStringLiteral("pairwell-cli: %1: the profile could not be written: %2: ").arg(verb, profile)))
            << result.err.toStdString();
    }
    // Reading says that what it shows is not the profile's.
    for (const QStringList& args : {L({"options", "show"}), L({"filters", "list"})}) {
        const CliResult result = Run(args);
        EXPECT_EQ(result.code, 1);
        EXPECT_TRUE(result.err.startsWith(QStringLiteral("pairwell-cli: the profile %1 cannot be read: ").arg(profile)))
            << result.err.toStdString();
    }
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("config/Pairwell.ini/inside.txt"))), QByteArray("keep"));
    EXPECT_EQ(
        QDir(dir.PathOf(QStringLiteral("config"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("Pairwell.ini")});
}

TEST_F(CliProfile, ADamagedLineIsReportedAndEveryOtherEntryKept)
{
    dir.WriteFile(
        QStringLiteral("config/Pairwell.ini"), "[FileFilter]\na=*.c\nkeep=!*.b\xE4k\nb=*.h\n[OptionSync]\nFlags=65\n");
    const CliResult list = Run(L({"filters", "list", "--json"}));
    EXPECT_EQ(list.code, 1); // the list may lack an entry
    EXPECT_EQ(Names(list.out), L({"a", "b"}));
    EXPECT_EQ(list.err,
        QStringLiteral("pairwell-cli: the profile %1 has lines that cannot be read, skipped and kept as they are: 3\n")
            .arg(profile));

    // The options are whole: shown with the warning, exit 0.
    const CliResult options = Run(L({"options", "show", "--json"}));
    EXPECT_EQ(options.code, 0);
    EXPECT_FALSE(options.err.isEmpty());
    EXPECT_EQ(Option(options.out, "OptionSync", "Flags").toInt(), 65);

    // Changes go through, and the damaged line stays as it was.
    EXPECT_EQ(Run(L({"filters", "set", "c", "!*.o"})).code, 0);
    EXPECT_EQ(Run(L({"filters", "remove", "a"})).code, 0);
    EXPECT_EQ(Run(L({"options", "set", "OptionSync.Flags", "0x40"})).code, 0);
    EXPECT_EQ(TestDir::ReadFile(profile),
        QByteArray(
            "[FileFilter]\nb=*.h\nc=!*.o\nkeep=!*.b\xE4k\n\n[OptionSync]\nFlags=64\nLogFilePath=\nTrashReplaced=1\n"));
}

TEST_F(CliProfile, TwoProcessesChangingTheFiltersAtOnceKeepEveryEntry)
{
    constexpr int kPerWriter = 40;
    const QString loop
        = QStringLiteral("for i in $(seq 1 %1); do \"$0\" filters set \"$1$i\" '!*.x' || exit 1; done").arg(kPerWriter);
    CliRun shell = How();
    shell.program = QStringLiteral("/bin/sh");
    std::vector<std::unique_ptr<QProcess>> writers;
    for (const char* prefix : {"first", "second"}) {
        writers.push_back(
            StartCli({QStringLiteral("-c"), loop, QStringLiteral(PAIRWELL_CLI), QString::fromLatin1(prefix)}, shell));
    }
    // A third process changes the options meanwhile.
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Run(L({"options", "set", "OptionDisp.Flags"}) << QString::number(i)).code, 0);
    for (const auto& writer : writers) {
        ASSERT_TRUE(writer->waitForFinished(180000));
        EXPECT_EQ(writer->exitCode(), 0) << writer->readAllStandardError().toStdString();
    }
    const QStringList names = Names(Run(L({"filters", "list", "--json"})).out);
    EXPECT_EQ(names.size(), 2 * kPerWriter);
    for (int i = 1; i <= kPerWriter; ++i) {
        EXPECT_TRUE(names.contains(QStringLiteral("first%1").arg(i))) << i;
        EXPECT_TRUE(names.contains(QStringLiteral("second%1").arg(i))) << i;
    }
    EXPECT_EQ(Option(Run(L({"options", "--json"})).out, "OptionDisp", "Flags").toInt(), 9);
    EXPECT_EQ(
        QDir(dir.PathOf(QStringLiteral("config"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("Pairwell.ini")});
}

TEST_F(CliProfile, AnExportThatNeedsAnUnreadFilterEntryStopsAndDeletesNothing)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("T/old.bak"), "the only copy", kOld);
    const QString document = dir.PathOf(QStringLiteral("doc.snc"));
    {
        CMyDoc doc;
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(dir.PathOf(QStringLiteral("P")), dir.PathOf(QStringLiteral("T")));
        doc.GetRoot().AddChild(std::move(node));
        doc.SetCommonFilterSelection({QStringLiteral("protect")});
        ASSERT_TRUE(doc.OnSaveDocument(document));
    }
    // "protect" (!*.bak) was written by hand in another encoding.
    dir.WriteFile(QStringLiteral("config/Pairwell.ini"), "[FileFilter]\nprot\xE9g\xE9=x\nprotect=!*.b\xE4k\n");
    const QString message
        = QStringLiteral("設定ファイルからフィルタエントリを読み込めなかったため、同期を中止しました。\n"
                         "読み込めなかったフィルタ: protect\n設定ファイル: ")
        + profile;

    const CliResult plan = Run(QStringList{QStringLiteral("export"), document, QStringLiteral("--flags"),
        QStringLiteral("0x85"), QStringLiteral("--plan")});
    EXPECT_EQ(plan.code, 1);
    EXPECT_TRUE(plan.out.isEmpty()) << plan.out.toStdString();
    EXPECT_TRUE(plan.err.contains(message)) << plan.err.toStdString();

    const CliResult run = Run(QStringList{QStringLiteral("export"), document, QStringLiteral("--flags"),
        QStringLiteral("0x85"), QStringLiteral("--yes")});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(message)) << run.err.toStdString();
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("T/old.bak"))), QByteArray("the only copy"));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("T/a.txt"))));

    // Mended, the entry protects the file and the run goes ahead.
    dir.WriteFile(QStringLiteral("config/Pairwell.ini"), "[FileFilter]\nprotect=!*.bak\n");
    EXPECT_EQ(Run(QStringList{QStringLiteral("export"), document, QStringLiteral("--flags"), QStringLiteral("0x85"),
                      QStringLiteral("--yes")})
                  .code,
        0);
    EXPECT_TRUE(TestDir::Exists(dir.PathOf(QStringLiteral("T/old.bak"))));
    EXPECT_TRUE(TestDir::Exists(dir.PathOf(QStringLiteral("T/a.txt"))));
}
