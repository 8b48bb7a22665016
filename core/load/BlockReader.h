#pragma once

#include "Workspace.h"
#include "LineScanner.h"

namespace quarvel {

/// How reading the records ended.
struct ReadEnd {
    int error = 0;        ///< the system's error code when reading failed (or kTooManyLines), else 0
    bool endMark = false; ///< a 0x1A at the start of a line ended the file
};

/// Reads the rest of the opened file and appends its records, as readRecordLine line by line would: blocks
/// of whole lines are built into records on other threads while the next block is read, and joined to the
/// file in order.
ReadEnd readRecords(Workspace& session, LineScanner& input);

} // namespace quarvel
