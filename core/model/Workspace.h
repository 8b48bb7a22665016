#pragma once

#include "AtomicFile.h"
#include "ByteSource.h"
#include "Clock.h"
#include "Layout.h"
#include "LineScanner.h"
#include "LoadedFile.h"
#include "WorkProgress.h"

#include <string_view>

namespace quarvel {

/// What a message tells the user, so that it is shown with the right sign: a confirmation of what was done,
/// a file that could not be used as it is, or a command that failed.
enum class MessageKind { Information, Warning, Error };

/// Where the engine's messages go: the windows show them, the batch command writes them to its error stream.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    /// Shows a text (Windows-1250; a carriage return starts a new line) and returns once the user has seen it.
    virtual void showMessage(MessageKind kind, std::string_view text) = 0;
};

/// The loaded file and the services the engine's operations call. One per program run; the window's
/// session (or the batch command) owns it.
struct Workspace {
    explicit Workspace(MessageSink& sink, const Clock& clockToUse = SystemClock::instance())
        : messages(sink), clock(clockToUse) {
        standardLayouts();
    }

    LoadedFile file;
    MessageSink& messages;
    const Clock& clock;
    /// How input files are opened, for the reader and the identification alike.
    SourceOpener openInput = openFileSource;
    /// The bytes both readings of an input take at a time; tests and fuzzing use small blocks, so that
    /// short inputs cross their edges.
    std::size_t readBlockSize = LineScanner::kDefaultBlock;
    /// How the files the engine writes are written to; tests replace it to inject failures.
    OutputOpener openOutput = openFileOutput;
    /// Where a load or a run of the checks reports its stage and looks for a stop between blocks and
    /// stages; none for the batch command, which runs to the end.
    WorkProgress* progress = nullptr;
};

} // namespace quarvel
