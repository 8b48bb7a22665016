#include "ChunkWriter.h"

#include "Parallel.h"

namespace quarvel {

void writeChunksInOrder(std::size_t count, const std::function<void(std::size_t, LineBuffer&)>& make,
                        const std::function<void(std::string_view)>& write) {
    struct Chunk {
        std::size_t index = 0;
        LineBuffer text;
    };
    const std::size_t workers = std::min(Slices::cores(), count);
    std::size_t next = 0;
    // Two buffers per worker: each can make its next chunk while the calling thread writes its last. A
    // single chunk is made on the calling thread: a thread would cost more.
    runOrderedPipeline<Chunk>(
        2 * std::max<std::size_t>(workers, 1), workers,
        [&](Chunk& chunk) {
            if (next == count) return JobStep::End;
            chunk.index = next++;
            return count == 1 ? JobStep::Here : JobStep::OnWorker;
        },
        [&make](Chunk& chunk) {
            chunk.text.clear();
            make(chunk.index, chunk.text);
        },
        [&write](Chunk& chunk) { write(chunk.text.bytes()); });
}

} // namespace quarvel
