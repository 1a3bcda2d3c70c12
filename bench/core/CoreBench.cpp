// The hot paths of scanning and comparing, one by one: enumerating a large
// folder, building and aggregating a file table, filter matching, reading
// a large document, and reading a large profile. Run: build-bench/bench/core_bench (a Release build with
// -DPAIRWELL_BUILD_BENCH=ON; bench/run builds it).

#include "core/engine/CDirSyncStatus.h"
#include "core/engine/SyncState.h"
#include "core/filters/FilterSet.h"
#include "core/model/CAppProject.h"
#include "core/model/CSyncProject.h"
#include "core/model/ProjectArchive.h"
#include "core/platform/FileName.h"
#include "core/platform/Finder.h"
#include "core/platform/Profile.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder of `count` empty files with varied names (written once per process).
QString LargeFolder(int count, const QString& side)
{
    static QTemporaryDir root;
    const QString folder = root.path() + QLatin1Char('/') + side + QString::number(count);
    if (::mkdir(EncodeFileName(folder).constData(), 0777) != 0)
        return folder; // made by an earlier benchmark
    for (int i = 0; i < count; ++i) {
        const QByteArray path = EncodeFileName(folder + QStringLiteral("/Report-%1.txt").arg(i * 7919 % 1000003));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
    }
    return folder;
}

void EnumerateLargeFolder(benchmark::State& state)
{
    const QString folder = LargeFolder(int(state.range(0)), QStringLiteral("p"));
    qint64 entries = 0;
    for (auto _ : state) {
        CFileFind finder;
        finder.Open(folder);
        while (finder.Next()) {
            benchmark::DoNotOptimize(finder.GetLastWriteTime());
            ++entries;
        }
    }
    state.SetItemsProcessed(entries);
}
BENCHMARK(EnumerateLargeFolder)->Arg(100000)->Unit(benchmark::kMillisecond);

void ScanTableOfLargeFolderPair(benchmark::State& state)
{
    const int count = int(state.range(0));
    CDirSyncStatus table(LargeFolder(count, QStringLiteral("p")), LargeFolder(count, QStringLiteral("t")));
    for (auto _ : state)
        table.ScanFiles();
    state.SetItemsProcessed(state.iterations() * 2 * count);
}
BENCHMARK(ScanTableOfLargeFolderPair)->Arg(100000)->Unit(benchmark::kMillisecond);

void CompareEntriesOfATable(benchmark::State& state)
{
    const int count = int(state.range(0));
    CDirSyncStatus table(LargeFolder(count, QStringLiteral("p")), LargeFolder(count, QStringLiteral("t")));
    table.ScanFiles();
    for (auto _ : state) {
        int newer = 0;
        for (const CFileSyncStatus& record : std::as_const(table))
            newer += CompareStamps(record.LastWriteTime(0), record.Size(0), record.LastWriteTime(1), record.Size(1))
                    == SyncProjectNewer
                ? 1
                : 0;
        benchmark::DoNotOptimize(newer);
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(CompareEntriesOfATable)->Arg(100000)->Unit(benchmark::kMillisecond);

FilterSet& TwentyEntries()
{
    FilterSet& set = GlobalFilterSet();
    if (set.size() == 0) {
        for (int i = 0; i < 20; ++i) {
            auto entry = std::make_unique<FilterEntry>();
            entry->ParseStoredText(
                QStringLiteral("entry%1").arg(i), QStringLiteral("!*.e%1;~*;*.bak;Thumbs%1.db").arg(i));
            set.append(std::move(entry));
        }
    }
    return set;
}

QStringList TwentyNames()
{
    QStringList names;
    for (int i = 0; i < 20; ++i)
        names << QStringLiteral("entry%1").arg(i);
    return names;
}

void AggregateFolderStateOfATable(benchmark::State& state)
{
    const int count = int(state.range(0));
    const FilterSet& filters = TwentyEntries();
    const QStringList selection = TwentyNames();
    CDirSyncStatus table(LargeFolder(count, QStringLiteral("p")), LargeFolder(count, QStringLiteral("t")));
    table.ScanFiles();
    for (auto _ : state)
        benchmark::DoNotOptimize(table.AggregateRecords(filters, selection));
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(AggregateFolderStateOfATable)->Arg(100000)->Unit(benchmark::kMillisecond);

void ComputeFolderStateWithScan(benchmark::State& state)
{
    const int count = int(state.range(0));
    CDirSyncStatus table(LargeFolder(count, QStringLiteral("p")), LargeFolder(count, QStringLiteral("t")));
    for (auto _ : state)
        benchmark::DoNotOptimize(table.ComputeFolderState(true, GlobalFilterSet(), {}));
    state.SetItemsProcessed(state.iterations() * 2 * count);
}
BENCHMARK(ComputeFolderStateWithScan)->Arg(100000)->Unit(benchmark::kMillisecond);

void FilterMatchingWithTwentyEntries(benchmark::State& state)
{
    const FilterSet& set = TwentyEntries();
    const QStringList selection = TwentyNames();
    QStringList names;
    for (int i = 0; i < 1000; ++i)
        names << QStringLiteral("Report-%1.%2").arg(i).arg(i % 3 ? QStringLiteral("txt") : QStringLiteral("e7"));
    for (auto _ : state) {
        int excluded = 0;
        for (const QString& name : names)
            excluded += set.IsExcluded(name, selection) ? 1 : 0;
        benchmark::DoNotOptimize(excluded);
    }
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(FilterMatchingWithTwentyEntries);

// A document of `count` nodes: projects of 50 subfolders of 10 subfolders each.
QByteArray LargeDocument(int count)
{
    CAppProject root;
    int made = 0;
    for (int p = 0; made < count; ++p) {
        auto project = std::make_unique<CSyncProject>(&root);
        project->SetFolders(
            QStringLiteral("/home/user/work/project%1").arg(p), QStringLiteral("/media/backup/work/project%1").arg(p));
        CSyncProject& added = root.AddChild(std::move(project));
        ++made;
        for (int s = 0; s < 50 && made < count; ++s) {
            auto sub = std::make_unique<CSyncProject>(&added);
            sub->SetFolders(added.GetFolder(0) + QStringLiteral("/folder%1").arg(s),
                added.GetFolder(1) + QStringLiteral("/folder%1").arg(s));
            CSyncProject& subAdded = added.AddChild(std::move(sub));
            ++made;
            for (int d = 0; d < 10 && made < count; ++d) {
                auto deep = std::make_unique<CSyncProject>(&subAdded);
                deep->SetFolders(subAdded.GetFolder(0) + QStringLiteral("/Deep Folder %1").arg(d),
                    subAdded.GetFolder(1) + QStringLiteral("/Deep Folder %1").arg(d));
                subAdded.AddChild(std::move(deep));
                ++made;
            }
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    StoreDocumentArchive(buffer, root, {QStringLiteral("entry1")});
    return bytes;
}

void ReadDocumentOf50000Nodes(benchmark::State& state)
{
    QByteArray bytes = LargeDocument(int(state.range(0)));
    for (auto _ : state) {
        CAppProject root;
        QStringList filters;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        if (!LoadDocumentArchive(buffer, root, filters))
            state.SkipWithError("the document was not read");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(ReadDocumentOf50000Nodes)->Arg(50000)->Unit(benchmark::kMillisecond);

// A profile of `lines` lines: the usual sections, then filter entries (some
// with escaped characters and Japanese names) until the count is reached.
QString LargeProfile(int lines)
{
    static QTemporaryDir root;
    const QString path = root.path() + QStringLiteral("/Pairwell%1.ini").arg(lines);
    if (QFile::exists(path))
        return path;
    QByteArray text = "[OptionDisp]\nFlags=43\nHelpFilePath=\n\n[OptionSync]\nFlags=64\nLogFilePath=/home/u/sync.log\n"
                      "\n[FileFilter]\n";
    for (int written = text.count('\n'); written < lines; ++written) {
        if (written % 10 == 0)
            text += "\u30D5\u30A3\u30EB\u30BF " + QByteArray::number(written) + "=!*.tmp;~*;\\s*.bak\n";
        else
            text += "entry" + QByteArray::number(written) + "=!*.e" + QByteArray::number(written) + ";*.bak\n";
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return path;
}

void ReadProfileOfManyLines(benchmark::State& state)
{
    const QString path = LargeProfile(int(state.range(0)));
    for (auto _ : state) {
        CProfile profile(path); // a fresh object reads the whole file
        bool complete = false;
        const CProfile::Values values = profile.GetSectionValues(QStringLiteral("FileFilter"), &complete);
        if (!complete || values.size() < size_t(state.range(0)) - 10)
            state.SkipWithError("the profile was not read whole");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ReadProfileOfManyLines)->Arg(100000)->Arg(2000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
