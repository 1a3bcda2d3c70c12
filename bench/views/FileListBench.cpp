// How long the file list takes for a folder pair of many files: the fill
// (scan, rows, sort), a sort by another column, and selecting every row.
// Run: file_list_bench [--files=N] [benchmark flags]. Needs no display.

#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/FileName.h"
#include "core/platform/Profile.h"
#include "core/settings/CColumnSettings.h"
#include "gui/shell/CommandTarget.h"
#include "gui/views/CFileSyncView.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstring>
#include <memory>

namespace {

int g_files = 100000;

class QuietFrame : public IMainFrame
{
public:
    void ShowProjectFolderPath(const QString&) override { }
    void ShowTargetFolderPath(const QString&) override { }
    void ShowSelectionSizes(qint64, qint64) override { }
    void UpdateCommandStates() override { }
    QWidget* Window() override { return nullptr; }
};

// A folder pair of g_files names: two thirds in the project folder, one third
// in the target folder, every fifth on both sides, six kinds of extension.
struct Fixture
{
    QTemporaryDir dir;
    CMyDoc doc;
    QuietFrame frame;
    CSyncProject* project = nullptr;
    std::unique_ptr<CFileSyncView> view;

    Fixture()
    {
        const char* extensions[] = {"txt", "cpp", "h", "png", "zzz", "log"};
        const QString left = dir.path() + QStringLiteral("/p");
        const QString right = dir.path() + QStringLiteral("/t");
        ::mkdir(EncodeFileName(left).constData(), 0755);
        ::mkdir(EncodeFileName(right).constData(), 0755);
        for (int i = 0; i < g_files; ++i) {
            const QString name = QStringLiteral("file%1.%2").arg(i).arg(QLatin1String(extensions[i % 6]));
            Touch((i % 3 == 0 ? right : left) + QLatin1Char('/') + name);
            if (i % 5 == 0)
                Touch(right + QLatin1Char('/') + name);
        }
        CProfile::SetInstancePath(dir.path() + QStringLiteral("/profile.ini"));
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(left, right);
        project = &doc.GetRoot().AddChild(std::move(node));
        view = std::make_unique<CFileSyncView>(doc, frame);
        view->resize(1200, 800);
        view->show();
    }

    static void Touch(const QString& path)
    {
        const int fd = ::open(EncodeFileName(path).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
    }

    void Fill()
    {
        Q_EMIT doc.UpdateAllViews(UpdateHint::ShowFiles, project);
        QApplication::processEvents(); // the first paint
    }
};

Fixture& Shared()
{
    static Fixture fixture;
    return fixture;
}

void BM_Fill(benchmark::State& state)
{
    Fixture& fixture = Shared();
    for (auto _ : state)
        fixture.Fill();
    state.counters["rows"] = fixture.view->topLevelItemCount();
}
BENCHMARK(BM_Fill)->Unit(benchmark::kMillisecond);

void BM_SortByTypeThenDate(benchmark::State& state)
{
    Fixture& fixture = Shared();
    fixture.Fill();
    for (auto _ : state) {
        fixture.view->ColumnClick(fixture.view->ColumnSettings().ColumnOf(ColumnId::Type));
        fixture.view->ColumnClick(fixture.view->ColumnSettings().ColumnOf(ColumnId::ProjectDate));
    }
}
BENCHMARK(BM_SortByTypeThenDate)->Unit(benchmark::kMillisecond);

void BM_SelectAll(benchmark::State& state)
{
    Fixture& fixture = Shared();
    fixture.Fill();
    for (auto _ : state) {
        fixture.view->selectAll();
        fixture.view->clearSelection();
    }
}
BENCHMARK(BM_SelectAll)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--files=", 8) == 0)
            g_files = std::atoi(argv[i] + 8);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Shared().view.reset();
    benchmark::Shutdown();
    return 0;
}
