#pragma once

#include "Clock.h"
#include "CodePages.h"
#include "WindowState.h"
#include "AtomicFile.h"
#include "ByteSource.h"
#include "LineScanner.h"
#include "LoadedFile.h"

namespace quarvel {

/// Everything the commands work on: the loaded file, the window state, and the services they call.
/// One per program run; the main window (or the batch command) owns it.
struct Session {
    explicit Session(UserInterface& userInterface, const Clock& clockToUse = SystemClock::instance())
        : ui(userInterface), clock(clockToUse) {
        StandardLayouts();
        ListCodePages(StandardCodePages(), state.ComboBoxStrona);
    }

    LoadedFile file;
    WindowState state;
    UserInterface& ui;
    const Clock& clock;
    /// How input files are opened, for the reader and the identification alike.
    SourceOpener openInput = OpenFileSource;
    /// The bytes both readings of an input take at a time; tests and fuzzing use small blocks, so that
    /// short inputs cross their edges.
    std::size_t readBlockSize = LineScanner::kDefaultBlock;
    /// How the files the session writes are written to; tests replace it to inject failures.
    OutputOpener openOutput = OpenFileOutput;
};

} // namespace quarvel
