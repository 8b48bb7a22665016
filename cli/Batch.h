#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace quarvel {

/// Exit statuses of the batch command.
enum BatchStatus : int {
    kBatchAllWritten = 0, ///< output written, no record skipped
    kBatchSkipped = 1,    ///< some record skipped, or none valid (then only the log is written)
    kBatchError = 2,      ///< bad usage, a file that cannot be read or written, no usable header
};

/// The batch command: loads FILE as the window's open command does, applies the options, writes the
/// output and the log. Messages go to `out` and `err` in UTF-8. `args` excludes the program name.
int runBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace quarvel
