// quarvel-floor: what merely holding a file's records costs on this machine, for scripts/bench to set beside
// the batch command and iconv. It reads FILE in blocks into fresh memory of HELD bytes (the peak the batch
// command holds; the file's size if more), asking for large pages as the record store does, touches the rest
// of that memory, and writes the file's bytes to OUTPUT. Nothing is split, checked or converted: no program
// that keeps every record of the file in memory, as the batch command does for its report, can take less.
//
// Usage: quarvel-floor FILE OUTPUT HELD

#include "Platform.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20; // as large as the reader's blocks

int fail(const char* what) {
    std::perror(what);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: quarvel-floor FILE OUTPUT HELD\n", stderr);
        return 2;
    }
    const int in = ::open(argv[1], O_RDONLY);
    if (in < 0) return fail(argv[1]);
    struct stat status {};
    if (::fstat(in, &status) != 0) return fail(argv[1]);
    const auto size = static_cast<std::size_t>(status.st_size);
    const std::size_t held = std::max(size, static_cast<std::size_t>(std::strtoull(argv[3], nullptr, 10)));
    void* mapped = ::mmap(nullptr, held, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return fail("mmap");
    auto* memory = static_cast<char*>(mapped);
    quarvel::platform::adviseLargePages(memory, held);
    std::size_t got = 0;
    while (got < size) {
        const ::ssize_t n = ::read(in, memory + got, std::min(kBlock, size - got));
        if (n < 0) return fail(argv[1]);
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(in);
    std::memset(memory + got, 1, held - got);
    const int out = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) return fail(argv[2]);
    for (std::size_t done = 0; done < got;) {
        const ::ssize_t n = ::write(out, memory + done, std::min(kBlock, got - done));
        if (n <= 0) return fail(argv[2]);
        done += static_cast<std::size_t>(n);
    }
    return ::close(out) == 0 ? 0 : fail(argv[2]);
}
