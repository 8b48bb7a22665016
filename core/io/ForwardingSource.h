#pragma once

#include "ByteSource.h"

#include <memory>
#include <utility>

namespace quarvel {

/// A source that hands on what another source reads, with its error, its stamp and the bytes of its file
/// read. A source that wraps another to act on its reads derives from it and overrides read().
class ForwardingSource : public ByteSource {
public:
    explicit ForwardingSource(std::unique_ptr<ByteSource> source) : m_source(std::move(source)) {}

    std::size_t read(char* buffer, std::size_t n) override { return m_source->read(buffer, n); }
    int error() const override { return m_source->error(); }
    std::optional<platform::FileStamp> stamp() const override { return m_source->stamp(); }
    std::optional<std::uint64_t> fileBytesRead() const override { return m_source->fileBytesRead(); }

private:
    std::unique_ptr<ByteSource> m_source;
};

} // namespace quarvel
