#include "FolderLocks.h"

#include "ByteSource.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <thread>

namespace quarvel::detail {
namespace {

namespace fs = std::filesystem;

// How long a run waits for another writing into the same folder: long enough for any replacement, which
// is a few renames and syncs, never for ever.
constexpr std::chrono::milliseconds kFolderLockWait{30000};
constexpr std::chrono::milliseconds kFolderLockRetry{10};

// A build with tests may shorten the wait (QUARVEL_TEST_LOCK_WAIT_MS); a build without tests reads nothing.
#ifdef QUARVEL_TEST_HOOKS
std::chrono::milliseconds folderLockWait() {
    const char* wait = std::getenv("QUARVEL_TEST_LOCK_WAIT_MS");
    return wait != nullptr && *wait != '\0' ? std::chrono::milliseconds(std::atol(wait)) : kFolderLockWait;
}
#else
std::chrono::milliseconds folderLockWait() {
    return kFolderLockWait;
}
#endif

} // namespace

int FolderLocks::take(const std::vector<fs::path>& folders) {
    std::map<platform::FileId, fs::path> ordered;
    for (const fs::path& folder : folders) {
        if (const std::optional<platform::FileId> id = platform::identityOf(folder)) ordered.emplace(*id, folder);
    }
    const auto until = std::chrono::steady_clock::now() + folderLockWait();
    for (const auto& [id, folder] : ordered) {
        for (;;) {
            int error = 0;
            platform::NativeFile lock = platform::tryLockFolder(folder, error);
            if (error != EWOULDBLOCK) {
                m_held.push_back(std::move(lock));
                break;
            }
            if (std::chrono::steady_clock::now() >= until) {
                m_held.clear();
                return kFolderBusy;
            }
            std::this_thread::sleep_for(kFolderLockRetry);
        }
    }
    return 0;
}

} // namespace quarvel::detail
