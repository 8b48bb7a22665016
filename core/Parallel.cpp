#include "Parallel.h"

#include <algorithm>
#include <thread>

namespace quarvel {

std::size_t Slices::cores() {
    static const std::size_t count = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kMaxSlices);
    return count;
}

Slices::Slices(std::size_t total, std::size_t minPerSlice) : m_total(total) {
    const std::size_t bySize = total / std::max<std::size_t>(minPerSlice, 1);
    m_count = std::clamp<std::size_t>(bySize, 1, cores());
}

} // namespace quarvel
