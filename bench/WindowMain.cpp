// quarvel-window: times the main window on one file, as the user meets it. The open command runs as
// often as asked, each time from the click to the grid shown (its first page of rows painted); then the
// grid is scrolled a page at a time from the top and made to jump to rows all over the file, each step
// painted at once, and the slowest and the median paint are kept. Runs on Qt's offscreen platform when
// no screen is set.
//
// Usage: quarvel-window FILE [--runs N] [--pages N] [--jumps N]
// Prints "name value" lines for scripts: records, open_s (median), first_open_s, page_*_ms, jump_*_ms.

#include "RecordGridView.h"
#include "MainWindow.h"
#include "Timing.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace quarvel;
using namespace quarvel::bench;

double largest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// Lets the window lay itself out and paint what is pending, then paints the grid's rows at once: after
// this, what the user would see is on the screen.
void showNow(RecordGridView& grid) {
    QApplication::processEvents();
    grid.viewport()->repaint();
}

// The open command loads on a worker thread: waits until its result has come back to the window.
void finishWork(const MainWindow& window) {
    while (window.isWorking())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

int usage() {
    std::fputs("usage: quarvel-window FILE [--runs N] [--pages N] [--jumps N]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::string path;
    int runs = 5;
    int pages = 300;
    int jumps = 100;
    for (int k = 1; k < argc; ++k) {
        const std::string_view arg = argv[k];
        const auto count = [&](int& value) {
            if (k + 1 >= argc) return false;
            value = std::atoi(argv[++k]);
            return value > 0;
        };
        if (arg == "--runs") {
            if (!count(runs)) return usage();
        } else if (arg == "--pages") {
            if (!count(pages)) return usage();
        } else if (arg == "--jumps") {
            if (!count(jumps)) return usage();
        } else if (path.empty() && !arg.starts_with("--")) {
            path = arg;
        } else {
            return usage();
        }
    }
    if (path.empty()) return usage();

    QApplication application(argc, argv);
    WindowSession main;
    MainWindow mainWindow(main);
    QueuedAnswers answers;
    mainWindow.userInterface().setAnswers(&answers);
    mainWindow.show();
    auto* grid = mainWindow.findChild<RecordGridView*>();
    if (grid == nullptr) {
        std::fputs("quarvel-window: the main window has no record grid\n", stderr);
        return 2;
    }
    // The grid lives in the details area, which the user opens to see the records.
    auto* details = mainWindow.findChild<QCheckBox*>(QStringLiteral("showDetailsOption"));
    if (details == nullptr) {
        std::fputs("quarvel-window: the main window has no details switch\n", stderr);
        return 2;
    }
    details->click();
    showNow(*grid);

    std::vector<double> opens;
    for (int run = 0; run < runs; ++run) {
        answers.filesToOpen.emplace_back(std::filesystem::path(path));
        opens.push_back(Timed([&] {
            mainWindow.chooseAndOpenFile();
            finishWork(mainWindow);
            showNow(*grid);
        }));
    }
    const std::size_t records = mainWindow.session().file.records().size();
    if (records == 0 || !grid->isVisible()) {
        std::fprintf(stderr, "quarvel-window: no records are shown from %s\n", path.c_str());
        return 2;
    }
    std::printf("records %zu\n", records);
    std::printf("open_s %.4f\n", Median(opens));
    std::printf("first_open_s %.4f\n", opens.front());

    QScrollBar& bar = *grid->verticalScrollBar();
    std::vector<double> pageSteps;
    bar.setValue(bar.minimum());
    showNow(*grid);
    for (int step = 0; step < pages && bar.value() < bar.maximum(); ++step) {
        pageSteps.push_back(1000 * Timed([&] {
            bar.setValue(bar.value() + bar.pageStep());
            showNow(*grid);
        }));
    }
    std::vector<double> jumpSteps;
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> anywhere(bar.minimum(), bar.maximum());
    for (int step = 0; step < jumps; ++step) {
        // The last jump goes to the end, where the last records are.
        const int to = step + 1 == jumps ? bar.maximum() : anywhere(random);
        jumpSteps.push_back(1000 * Timed([&] {
            bar.setValue(to);
            showNow(*grid);
        }));
    }
    std::printf("page_steps %zu\n", pageSteps.size());
    std::printf("page_median_ms %.2f\n", Median(pageSteps));
    std::printf("page_max_ms %.2f\n", largest(pageSteps));
    std::printf("jump_steps %zu\n", jumpSteps.size());
    std::printf("jump_median_ms %.2f\n", Median(jumpSteps));
    std::printf("jump_max_ms %.2f\n", largest(jumpSteps));
    return 0;
}
