#pragma once

#include "CodePages.h"
#include "Layout.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quarvel::bench {

/// What the generated file looks like.
enum class FileShape {
    Records,  ///< header, then realistic records up to a size or a number of lines
    LongLine, ///< header, then one record line of exactly `shapeBytes` bytes without a line end
    Bars,     ///< header, then one line of `shapeBytes` "|" and its line end
};

/// The faults a record can carry; about `faultShare` of the records get one of them.
enum class Fault : int {
    None,
    BadAccount,   ///< 25 or 27 digits, a letter or hyphens in an account number
    BadDate,      ///< year first, no separators, a month 13 or a day that does not exist (orders only)
    BadAmount,    ///< "100,50", grouping spaces, a currency (orders only)
    TooLong,      ///< a value longer than its field allows
    Tab,          ///< a tab inside a value
    EmptyLine,    ///< no byte before the line end
    TooManyFields,
    MissingFields, ///< the line stops before its required fields end
    Count,
};

struct GeneratorOptions {
    FileKind kind = FileKind::Orders;
    CodePage codePage = CodePage::IbmLatin2;
    FileShape shape = FileShape::Records;
    /// Records: stop before the file would grow beyond this many bytes (0: no limit).
    std::uint64_t targetBytes = 0;
    /// Records: number of data lines (0: no limit; one of the two limits must be set).
    std::uint64_t lines = 0;
    /// LongLine: length of the data line; Bars: number of "|".
    std::uint64_t shapeBytes = 0;
    std::uint64_t seed = 1;
    /// Share of records with a fault, 0..1.
    double faultShare = 0.10;
    /// Dates are generated around this day, some before it and some after.
    std::chrono::year_month_day today{std::chrono::year{2026}, std::chrono::month{12}, std::chrono::day{1}};
    bool header = true;
};

/// What was generated.
struct GeneratorStats {
    std::uint64_t bytes = 0;
    std::uint64_t dataLines = 0;
    std::uint64_t faultyLines = 0;
    std::uint64_t faults[static_cast<int>(Fault::Count)] = {};
};

/// Receives the file in pieces of about a megabyte, already in the target code page.
using ChunkSink = std::function<void(std::string_view)>;

/// Writes a file of the given options to `sink`; the same options give the same bytes.
GeneratorStats GenerateFile(const GeneratorOptions& options, const ChunkSink& sink);

/// The whole file in memory, for benchmarks that work without a disk.
std::string GenerateToString(const GeneratorOptions& options, GeneratorStats* stats = nullptr);

/// The header line without its line end: "ZLECENIA|IBM_LATIN2" and so on.
std::string HeaderLine(FileKind kind, CodePage codePage);

std::string_view FaultName(Fault fault);

/// Reads "1000", "10k", "10M", "1G" (powers of 1000) or "10Mi"; false when the text is no size.
bool ParseSize(std::string_view text, std::uint64_t& value);

} // namespace quarvel::bench
