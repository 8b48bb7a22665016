#pragma once

#include "ByteSource.h"
#include "ForwardingSource.h"
#include "WorkProgress.h"

#include <memory>
#include <utility>

namespace quarvel {

/// A source that ends, as if the file ended there, once the work it is read for is asked to stop: every
/// reading of a load given up (the identification's own thread too) ends within a block.
class StoppableSource final : public ForwardingSource {
public:
    StoppableSource(std::unique_ptr<ByteSource> source, const WorkProgress& progress)
        : ForwardingSource(std::move(source)), m_progress(progress) {}

    std::size_t read(char* buffer, std::size_t n) override {
        return m_progress.cancelled() ? 0 : ForwardingSource::read(buffer, n);
    }

private:
    const WorkProgress& m_progress;
};

/// Opens as `open` does, each source stopping with `progress` (which outlives the sources).
inline SourceOpener stoppableOpener(SourceOpener open, const WorkProgress& progress) {
    return [open = std::move(open), &progress](const std::filesystem::path& path) {
        OpenedSource opened = open(path);
        if (opened.source) opened.source = std::make_unique<StoppableSource>(std::move(opened.source), progress);
        return opened;
    };
}

} // namespace quarvel
