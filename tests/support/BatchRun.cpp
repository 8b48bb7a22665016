#include "support/BatchRun.h"

#include "Batch.h"

#include <sstream>

namespace quarvel::test {

BatchRun runBatchCommand(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    BatchRun r;
    r.status = runBatch(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

} // namespace quarvel::test
