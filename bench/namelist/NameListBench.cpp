// Reading a roster sheet into the Name list: the .xlsx parse, the extent scan,
// and the whole import the window runs (parse, scan and grid fill with column widths).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <memory>

#include "WorkbookFixtures.h"
#include "namelist/NameList.h"
#include "namelist/widgets/NameListWindow.h"
#include "platform/OperatorDialogs.h"

namespace {

class NoDialogs : public picura::OperatorDialogs {
  public:
    QString path;
    picura::MessageAnswer message(const QString&, const QString&, picura::MessageIcon,
                                  picura::MessageButtons) override {
        return picura::MessageAnswer::Ok;
    }
    std::optional<QString> openFile(const picura::FileDialogRequest&) override { return path; }
    std::optional<QString> saveFile(const picura::FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> pickFolder(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QColor> pickColour(const QColor&, const QString&) override { return std::nullopt; }
    std::optional<QFont> pickFont(const QFont&, const QString&) override { return std::nullopt; }
};

class Host : public picura::NameListHost {
  public:
    picura::NameListPurpose nameListPurpose() const override { return picura::NameListPurpose::Crop; }
    void nameListNameChanged(const QString&) override {}
    void nameListClosed() override {}
};

// A sheet of `rows` students: name, class and a note in three columns.
const QString& Roster(int rows) {
    static QTemporaryDir dir;
    static std::map<int, QString> paths;
    auto it = paths.find(rows);
    if (it == paths.end()) {
        std::vector<picura::test::TextCell> cells;
        for (int r = 0; r < rows; ++r) {
            cells.push_back({r, 0, QStringLiteral("学生%1").arg(r + 1)});
            cells.push_back({r, 1, QStringLiteral("%1班").arg(r % 12 + 1)});
            cells.push_back({r, 2, QStringLiteral("备注 %1").arg(r * 7)});
        }
        const QString path = dir.filePath(QStringLiteral("roster%1.xlsx").arg(rows));
        picura::test::WriteTextXlsx(path, QStringLiteral("全校"), cells);
        it = paths.emplace(rows, path).first;
    }
    return it->second;
}

void BM_ReadXlsxSheet(benchmark::State& state) {
    const QString& path = Roster(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        picura::OpenedWorkbook opened = picura::OpenWorkbook(path);
        auto cells = opened.book->readSheet(0, nullptr);
        benchmark::DoNotOptimize(cells->size());
    }
}
BENCHMARK(BM_ReadXlsxSheet)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_ScanExtent(benchmark::State& state) {
    picura::OpenedWorkbook opened = picura::OpenWorkbook(Roster(static_cast<int>(state.range(0))));
    const picura::SheetCells cells = *opened.book->readSheet(0, nullptr);
    for (auto _ : state) {
        benchmark::DoNotOptimize(picura::ScanExtent(cells));
    }
}
BENCHMARK(BM_ScanExtent)->Arg(5000)->Unit(benchmark::kMillisecond);

// What the operator waits for after choosing a file: from the dialog's answer
// to the filled grid.
void BM_ImportIntoWindow(benchmark::State& state) {
    Host host;
    NoDialogs dialogs;
    dialogs.path = Roster(static_cast<int>(state.range(0)));
    picura::NameListWindow window(host, dialogs);
    for (auto _ : state) {
        window.importWorkbook();
    }
    state.counters["rows"] = window.nameList().extent().rowCount();
}
BENCHMARK(BM_ImportIntoWindow)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
