// quarvel-rerun: loads one file (timed as often as the re-runs), then times the re-runs a user starts by switching an option or the
// code page, each of which corrects, checks and refills the grid over every record in memory.
//
// Prints "name value" lines for scripts: records, load_s, rerun_*_s (medians), model and peak memory.

#include "BenchSupport.h"
#include "Timing.h"

#include "Pipeline.h"
#include "MainWindowPresenter.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace quarvel;
using namespace quarvel::bench;
double peakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}

// What the main window does after an option or the code page changed: correct, check, refill the grid.
void rerun(Session& session) {
    rerunCorrection(session);
}

int usage() {
    std::fputs("usage: quarvel-rerun FILE [--runs N] [--load-only] [--no-trim] [--replace-control]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string path;
    int runs = 5;
    bool loadOnly = false;
    bool noTrim = false;
    bool replaceControl = false;
    for (int k = 1; k < argc; ++k) {
        const std::string_view arg = argv[k];
        if (arg == "--runs" && k + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++k]));
        } else if (arg == "--load-only") {
            loadOnly = true;
        } else if (arg == "--no-trim") {
            noTrim = true;
        } else if (arg == "--replace-control") {
            replaceControl = true;
        } else if (!arg.empty() && arg[0] != '-' && path.empty()) {
            path = arg;
        } else {
            return usage();
        }
    }
    if (path.empty()) return usage();

    SilentUi ui;
    Session session(ui);
    // The load is timed as often as each re-run, and its median taken as theirs is: a single load of a
    // noisy machine can be far off either way.
    std::vector<double> loads;
    for (int run = 0; run < (loadOnly ? 1 : runs); ++run) {
        LoadOutcome outcome = LoadOutcome::Missing;
        loads.push_back(Timed([&] { outcome = loadIntoWindow(session, path); }));
        if (outcome != LoadOutcome::Loaded) {
            std::fprintf(stderr, "quarvel-rerun: %s did not load\n", path.c_str());
            return 2;
        }
    }
    const double load = Median(loads);
    // The options of a batch run differ from the window's start state only after the load.
    double options = 0;
    if (noTrim || replaceControl) {
        session.state.trimFields.checked = !noTrim;
        session.state.replaceControl.checked = replaceControl;
        options = Timed([&] { rerun(session); });
    }
    const LoadedFile& file = session.file;
    std::printf("records %zu\n", file.records().size());
    std::printf("valid %d\n", file.validCount);
    std::printf("invalid %d\n", file.invalidCount);
    std::printf("load_s %.4f\n", load + options);
    std::printf("first_load_s %.4f\n", loads.front() + options);
    std::printf("model_used_MB %.1f\n", static_cast<double>(ModelBytesUsed(file)) / 1e6);
    std::printf("model_reserved_MB %.1f\n", static_cast<double>(ModelBytesReserved(file)) / 1e6);
    std::printf("records_MB %.1f\n", static_cast<double>(file.records().size() * sizeof(Record)) / 1e6);
    std::printf("raw_MB %.1f\n", static_cast<double>(file.allRawValues().size()) / 1e6);
    std::printf("fix_MB %.1f\n", static_cast<double>(file.rewrittenBytes()) / 1e6);
    std::printf("sizeof_record %zu\n", sizeof(Record));
    if (loadOnly) {
        std::printf("peak_rss_MB %.1f\n", peakRssMb());
        return 0;
    }

    WindowState& state = session.state;
    std::vector<double> trim;
    std::vector<double> replace;
    std::vector<double> codePage;
    for (int run = 0; run < runs; ++run) {
        // Each change is undone by the next run of the same kind, so every run starts from a loaded state.
        state.trimFields.checked = !state.trimFields.checked;
        trim.push_back(Timed([&] { rerun(session); }));
        state.replaceControl.checked = !state.replaceControl.checked;
        replace.push_back(Timed([&] { rerun(session); }));
        const int mazovia = codePageItem(CodePage::Mazovia);
        state.codePageList.selected =
            state.codePageList.selected == mazovia ? codePageItem(file.identifiedCodePage) : mazovia;
        codePage.push_back(Timed([&] { rerun(session); }));
    }
    const double all = Median([&] {
        std::vector<double> v = trim;
        v.insert(v.end(), replace.begin(), replace.end());
        v.insert(v.end(), codePage.begin(), codePage.end());
        return v;
    }());
    std::printf("rerun_trim_s %.4f\n", Median(trim));
    std::printf("rerun_replace_s %.4f\n", Median(replace));
    std::printf("rerun_codepage_s %.4f\n", Median(codePage));
    std::printf("rerun_s %.4f\n", all);
    std::printf("rerun_to_load %.3f\n", all / load);
    std::printf("rerun_to_first_load %.3f\n", all / loads.front());
    std::printf("peak_rss_MB %.1f\n", peakRssMb());
    return 0;
}
