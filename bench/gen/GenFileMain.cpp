// quarvel-genfile: writes large, realistic input files for the benchmarks.

#include "gen/FileGenerator.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using namespace quarvel;
using namespace quarvel::bench;

constexpr std::string_view kUsage =
    "usage: quarvel-genfile [options] OUTPUT      (OUTPUT \"-\" writes to standard output)\n"
    "  --kind orders|contractors   file kind (default orders)\n"
    "  --code-page NAME            MAZOVIA ISO_LATIN2 CSK CYFROMAT DHN IBM_LATIN2 VENTURA WINDOWS_EE\n"
    "                              UTF-8 (default IBM_LATIN2)\n"
    "  --bytes SIZE                records up to SIZE bytes (10M = 10 000 000, 10Mi = 10 485 760)\n"
    "  --lines N                   exactly N data lines\n"
    "  --seed N                    the same seed gives the same file (default 1)\n"
    "  --faults PERCENT            share of faulty records (default 10)\n"
    "  --today YYYY-MM-DD          dates are generated around this day (default 2026-12-01)\n"
    "  --long-line SIZE            header, then one line of SIZE bytes without a line end\n"
    "  --bars N                    header, then one line of N \"|\"\n"
    "  --no-header                 leave out the header line\n"
    "  --stats                     print what was generated to standard error\n";

int usageError(std::string_view what) {
    std::fprintf(stderr, "quarvel-genfile: %.*s\n%.*s", static_cast<int>(what.size()), what.data(),
                 static_cast<int>(kUsage.size()), kUsage.data());
    return 2;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        const auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
        if (up(a[k]) != up(b[k])) return false;
    }
    return true;
}

bool parseDate(std::string_view text, std::chrono::year_month_day& date) {
    int y = 0;
    unsigned m = 0;
    unsigned d = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    if (std::from_chars(text.data(), text.data() + 4, y).ec != std::errc()) return false;
    if (std::from_chars(text.data() + 5, text.data() + 7, m).ec != std::errc()) return false;
    if (std::from_chars(text.data() + 8, text.data() + 10, d).ec != std::errc()) return false;
    date = std::chrono::year_month_day{std::chrono::year{y}, std::chrono::month{m}, std::chrono::day{d}};
    return date.ok();
}

} // namespace

int main(int argc, char** argv) {
    GeneratorOptions options;
    std::string output;
    bool printStats = false;
    bool sizeGiven = false;
    for (int k = 1; k < argc; ++k) {
        const std::string_view arg = argv[k];
        const auto value = [&]() -> std::string_view {
            if (k + 1 >= argc) return {};
            return argv[++k];
        };
        if (arg == "--kind") {
            const std::string_view v = value();
            if (v == "orders" || equalsIgnoringCase(v, "ZLECENIA")) {
                options.kind = FileKind::Orders;
            } else if (v == "contractors" || equalsIgnoringCase(v, "KONTRAHENCI")) {
                options.kind = FileKind::Contractors;
            } else {
                return usageError("unknown kind");
            }
        } else if (arg == "--code-page") {
            const std::string_view v = value();
            std::optional<CodePage> found;
            for (const CodePage p : kCodePages) {
                if (equalsIgnoringCase(v, nameOf(p))) found = p;
            }
            if (!found) return usageError("unknown code page");
            options.codePage = *found;
        } else if (arg == "--bytes") {
            if (!ParseSize(value(), options.targetBytes)) return usageError("--bytes needs a size");
            sizeGiven = true;
        } else if (arg == "--lines") {
            if (!ParseSize(value(), options.lines)) return usageError("--lines needs a number");
            sizeGiven = true;
        } else if (arg == "--seed") {
            if (!ParseSize(value(), options.seed)) return usageError("--seed needs a number");
        } else if (arg == "--faults") {
            std::uint64_t percent = 0;
            if (!ParseSize(value(), percent) || percent > 100) return usageError("--faults needs 0..100");
            options.faultShare = static_cast<double>(percent) / 100.0;
        } else if (arg == "--today") {
            if (!parseDate(value(), options.today)) return usageError("--today needs YYYY-MM-DD");
        } else if (arg == "--long-line") {
            if (!ParseSize(value(), options.shapeBytes)) return usageError("--long-line needs a size");
            options.shape = FileShape::LongLine;
            sizeGiven = true;
        } else if (arg == "--bars") {
            if (!ParseSize(value(), options.shapeBytes)) return usageError("--bars needs a number");
            options.shape = FileShape::Bars;
            sizeGiven = true;
        } else if (arg == "--no-header") {
            options.header = false;
        } else if (arg == "--stats") {
            printStats = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage.data(), stdout);
            return 0;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            return usageError("unknown option " + std::string(arg));
        } else if (output.empty()) {
            output = arg;
        } else {
            return usageError("more than one output");
        }
    }
    if (output.empty()) return usageError("no output named");
    if (!sizeGiven) return usageError("give --bytes, --lines, --long-line or --bars");

    std::FILE* file = output == "-" ? stdout : std::fopen(output.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "quarvel-genfile: cannot create %s: %s\n", output.c_str(), std::strerror(errno));
        return 2;
    }
    bool failed = false;
    const GeneratorStats stats = GenerateFile(options, [&](std::string_view chunk) {
        if (!failed && std::fwrite(chunk.data(), 1, chunk.size(), file) != chunk.size()) failed = true;
    });
    if (std::fflush(file) != 0) failed = true;
    const int error = errno;
    if (file != stdout && std::fclose(file) != 0) failed = true;
    if (failed) {
        std::fprintf(stderr, "quarvel-genfile: cannot write %s: %s\n", output.c_str(), std::strerror(error));
        return 2;
    }
    if (printStats) {
        std::fprintf(stderr, "%llu bytes, %llu data lines, %llu with a fault\n", static_cast<unsigned long long>(stats.bytes),
                     static_cast<unsigned long long>(stats.dataLines), static_cast<unsigned long long>(stats.faultyLines));
        for (int f = 1; f < static_cast<int>(Fault::Count); ++f) {
            if (stats.faults[f] == 0) continue;
            const std::string_view name = FaultName(static_cast<Fault>(f));
            std::fprintf(stderr, "  %-16.*s %llu\n", static_cast<int>(name.size()), name.data(),
                         static_cast<unsigned long long>(stats.faults[f]));
        }
    }
    return 0;
}
