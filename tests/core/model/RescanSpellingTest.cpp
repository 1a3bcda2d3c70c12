// A node's rescan reads many folders ahead on a second thread and shares one
// copy of a name between the two sides of a record. Each side must still show
// its own spelling, byte for byte, and the records must be those a plain scan
// of the folder pair makes.
#include "core/engine/CDirSyncStatus.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/FileName.h"
#include "core/settings/CAppOptionSync.h"
#include "support/TestDir.h"

#include <QStringList>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kBase = 1700000000;
constexpr int kFolders = 40; // more than the rescan reads ahead at once

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

// One file name as each side spells it; empty: not on that side.
struct Spelling
{
    QString project;
    QString target;
};

std::vector<Spelling> Spellings()
{
    const QString undecodable = DecodeFileName(QByteArray("caf\xE9-\xFF.dat"));
    return {{S("same.txt"), S("same.txt")}, {S("Readme.txt"), S("README.TXT")}, {S("only-here"), QString()},
        {QString(), S("only-there")}, {undecodable, undecodable}, {S("日本語.txt"), S("日本語.txt")},
        {S(".hidden"), S(".hidden")},
        // Case variants whose upper case is longer pair too.
        {S("Straße.txt"), S("STRASSE.TXT")},
        // A byte that is no UTF-8 stays itself in a case variant; two different such bytes never pair.
        {DecodeFileName(QByteArray("na\xEFve.txt")), DecodeFileName(QByteArray("NA\xEFVE.TXT"))},
        {DecodeFileName(QByteArray("x\xEF.txt")), QString()}, {QString(), DecodeFileName(QByteArray("x\xFE.txt"))}};
}

// Every record of a table as "project|target" spellings in bytes, sorted.
QStringList Records(const CDirSyncStatus& table)
{
    QStringList lines;
    for (const CFileSyncStatus& record : table) {
        const auto side = [&](int s) {
            return record.Exists(s) ? QString::fromLatin1(EncodeFileName(record.Name(s).toString()).toHex()) : S("-");
        };
        lines << side(0) + u'|' + side(1) + u' ' + QString::number(record.LastWriteTime(0)) + u' '
                + QString::number(record.Size(1));
    }
    lines.sort();
    return lines;
}

class RescanSpelling : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalOptionSync().Flags = SyncFlag::Default;
        for (int i = 0; i < kFolders; ++i) {
            const QString folder = QStringLiteral("sub%1/").arg(i);
            for (const Spelling& name : Spellings()) {
                if (!name.project.isEmpty())
                    dir.WriteFile(S("p/") + folder + name.project, QByteArray(i + 1, 'p'), kBase + i);
                if (!name.target.isEmpty())
                    dir.WriteFile(S("t/") + folder + name.target, QByteArray(i + 2, 't'), kBase);
            }
        }
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(dir.PathOf(S("p")), dir.PathOf(S("t")));
        project = &doc.GetRoot().AddChild(std::move(node));
        doc.GetRoot().Refresh(true);
    }
    void TearDown() override { GlobalOptionSync().Flags = SyncFlag::Default; }

    CSyncProject& Sub(int i) { return *project->FindChild(QStringLiteral("sub%1").arg(i)); }

    TestDir dir;
    CMyDoc doc;
    CSyncProject* project = nullptr;
};

} // namespace

TEST_F(RescanSpelling, EachSideKeepsItsOwnSpellingAndTheRecordsEqualAPlainScan)
{
    ASSERT_EQ(project->ChildCount(), kFolders);
    for (int i = 0; i < kFolders; ++i) {
        const CDirSyncStatus& rescanned = Sub(i).FolderStatus();
        ASSERT_EQ(rescanned.Count(), qsizetype(Spellings().size())) << i;
        for (const Spelling& name : Spellings()) {
            const CFileSyncStatus* record = rescanned.FindRecord(name.project.isEmpty() ? name.target : name.project);
            ASSERT_NE(record, nullptr) << i;
            EXPECT_EQ(record->Exists(0), !name.project.isEmpty());
            EXPECT_EQ(record->Exists(1), !name.target.isEmpty());
            // Each side's spelling, time and size stay with that side, also where the pair was made late.
            if (record->Exists(0)) {
                EXPECT_EQ(EncodeFileName(record->Name(0).toString()), EncodeFileName(name.project)) << i;
                EXPECT_EQ(record->LastWriteTime(0), kBase + i);
                EXPECT_EQ(record->Size(0), quint64(i + 1));
            }
            if (record->Exists(1)) {
                EXPECT_EQ(EncodeFileName(record->Name(1).toString()), EncodeFileName(name.target)) << i;
                EXPECT_EQ(record->LastWriteTime(1), kBase);
                EXPECT_EQ(record->Size(1), quint64(i + 2));
            }
            EXPECT_EQ(record->Entry(1).Name, record->Name(1).toString());
            EXPECT_EQ(record->Entry(1).Size, record->Size(1));
            EXPECT_EQ(record->GetName(), name.project.isEmpty() ? name.target : name.project);
        }
        CDirSyncStatus scanned(Sub(i).GetFolder(0), Sub(i).GetFolder(1));
        scanned.ScanFiles();
        EXPECT_EQ(Records(rescanned), Records(scanned)) << i;
    }
}

TEST_F(RescanSpelling, ANameChangedOnOneSideShowsOnlyThereAfterTheNextRescan)
{
    // Renamed in letter case on the target side, and on the project side.
    const QString target = dir.PathOf(S("t/sub3/"));
    ASSERT_EQ(::rename(EncodeFileName(target + S("same.txt")).constData(),
                  EncodeFileName(target + S("Same.TXT")).constData()),
        0);
    const QString projectFolder = dir.PathOf(S("p/sub4/"));
    ASSERT_EQ(::rename(EncodeFileName(projectFolder + S("Readme.txt")).constData(),
                  EncodeFileName(projectFolder + S("readme.txt")).constData()),
        0);
    doc.GetRoot().Refresh(true);

    const CFileSyncStatus* renamedThere = Sub(3).FolderStatus().FindRecord(S("same.txt"));
    ASSERT_NE(renamedThere, nullptr);
    EXPECT_EQ(renamedThere->Name(0).toString(), S("same.txt"));
    EXPECT_EQ(renamedThere->Name(1).toString(), S("Same.TXT"));
    EXPECT_EQ(renamedThere->GetName(), S("same.txt"));

    const CFileSyncStatus* renamedHere = Sub(4).FolderStatus().FindRecord(S("README.TXT"));
    ASSERT_NE(renamedHere, nullptr);
    EXPECT_EQ(renamedHere->Name(0).toString(), S("readme.txt"));
    EXPECT_EQ(renamedHere->Name(1).toString(), S("README.TXT"));
    EXPECT_EQ(Sub(4).FolderStatus().PathOf(*renamedHere), dir.PathOf(S("p/sub4/readme.txt")));

    // The folders next to them keep the spellings they had.
    const CFileSyncStatus* untouched = Sub(5).FolderStatus().FindRecord(S("same.txt"));
    ASSERT_NE(untouched, nullptr);
    EXPECT_EQ(untouched->Name(1).toString(), S("same.txt"));
}
