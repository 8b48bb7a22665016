#pragma once

// The batch command run inside the test's own process, as its main function runs it.

#include <string>
#include <vector>

namespace quarvel::test {

/// What a run of the batch command printed and its exit status.
struct BatchRun {
    int status = -1;
    std::string out;
    std::string err;
};

/// Runs the batch command with `args` (the arguments after the program's name), its two streams caught.
BatchRun runBatchCommand(const std::vector<std::string>& args);

} // namespace quarvel::test
