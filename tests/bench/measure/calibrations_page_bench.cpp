// Figures for the calibrations page with 1,000 calibrations: filling the grid, and
// switching a mark, which repaints the grid without refilling it.

#include "app/workspace.h"
#include "core/error_guard.h"
#include "core/methods.h"
#include "measure/measurement_state.h"
#include "measure/ui/calibrations_page.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QLocale>
#include <QTableWidget>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kCalibrations = 1000;

// A shown page over a list of kCalibrations records, its columns fitted.
struct FilledPage {
    QTemporaryDir dir;
    kv::StderrReporter reporter;
    kv::Workspace workspace{dir.path()};
    kv::CalibrationsPage page{workspace.calibrations(), workspace, workspace.state(), reporter};

    FilledPage()
    {
        for (int i = 1; i <= kCalibrations; ++i) {
            kv::TCalibration record;
            record.method = 1 + i % 4;
            record.slope = 1.0 + i * 0.001;
            record.setName(QStringLiteral("Эталон АИ-92 / АИ-98, партия %1").arg(i));
            workspace.addCalibration(record);
        }
        page.resize(700, 500);
        page.show();
        page.fitColumnsAtCreate();
    }
};

// An edit of a record in sight, kor.tab written and the grid repainted, as after the
// dialog's OK.
void BM_EditCalibration(benchmark::State& state)
{
    FilledPage filled;
    QApplication::processEvents();  // exposed, so a repaint paints
    kv::TCalibration record = filled.workspace.calibrations().store().at(2);
    for (auto _ : state) {
        record.slope += 0.001;
        filled.workspace.replaceCalibration(2, record);
        QApplication::processEvents();  // the repaint it asked for
        benchmark::DoNotOptimize(filled.page.gridRowCount());
    }
}
BENCHMARK(BM_EditCalibration)->Unit(benchmark::kMillisecond);

// The switch command on a row in sight, with the repaint it asks for: the marked cells.
void BM_SwitchMark(benchmark::State& state)
{
    FilledPage filled;
    filled.page.setCurrentGridRow(3);
    QApplication::processEvents();
    for (auto _ : state) {
        filled.page.BitBtn4Click();
        QApplication::processEvents();  // the repaint it asked for
    }
}
BENCHMARK(BM_SwitchMark)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
