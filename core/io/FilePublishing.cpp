#include "ChangeSet.h"

#include "ByteSource.h"
#include "FileNames.h"
#include "IoTexts.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>

namespace quarvel::detail {
namespace {

// Hooks a test build offers to make the faults that cannot be made from outside. Nothing of it is in a
// build without tests.
#ifdef QUARVEL_TEST_HOOKS
// Stops the run for good once the first file is in place, the others not yet, after creating the file
// the environment names, so that a test can kill it there as a crash would.
void holdBetweenRenamesIfAsked() {
    const char* mark = std::getenv("QUARVEL_TEST_HOLD_BETWEEN_RENAMES");
    if (mark == nullptr || *mark == '\0') return;
    std::ofstream(fs::path(mark)) << "held\n";
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}
#else
void holdBetweenRenamesIfAsked() {}
#endif

} // namespace

WriteResult ChangeSet::tidyFolders() {
    if (const int error = m_locks.take(folders()); error != 0) return failure(m_changes.front().target, error);
    for (const fs::path& folder : folders()) {
        std::vector<fs::path> intents;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (hasTemporaryShape(it->path().filename(), kIntentSuffix)) intents.push_back(it->path());
        }
        for (const fs::path& intent : intents) {
            platform::NativeFile file = platform::openIfAbandoned(intent);
            if (!file.isOpen()) continue; // its run is still going
            std::string text;
            if (platform::readAll(file, text) != 0) continue;
            const std::optional<std::vector<IntentRecord>> records = parseIntent(text);
            if (records) {
                if (const int error = restoreFromIntent(*records); error != 0) {
                    m_locks.release();
                    return failure(records->empty() ? intent : records->front().target, error);
                }
            }
            file.close();
            fs::remove(intent, ec);
            (void)platform::syncFolder(folder);
        }
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (isTemporaryFileName(it->path().filename())) platform::removeIfAbandoned(it->path());
        }
    }
    m_locks.release();
    return {};
}

int ChangeSet::writeIntents(const std::vector<IntentRecord>& records) {
    const std::string text = intentText(records);
    for (const fs::path& folder : folders()) {
        int error = EEXIST;
        fs::path name;
        platform::NativeFile file;
        for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
            name = temporaryName(folder, kIntentSuffix);
            file = platform::createOwnFile(name, true, error);
        }
        if (!file.isOpen()) return error;
        m_intents.emplace_back(name, std::move(file));
        platform::NativeFile& intent = m_intents.back().second;
        if (error = platform::writeAll(intent, text.data(), text.size()); error != 0) return error;
        if (error = platform::syncFile(intent); error != 0) return error;
        if (error = platform::syncFolder(folder); error != 0) return error;
    }
    return 0;
}

void ChangeSet::removeIntents() {
    std::set<fs::path> synced;
    for (auto& [name, file] : m_intents) {
        file.close();
        std::error_code ec;
        fs::remove(name, ec);
        if (synced.insert(folderOf(name)).second) (void)platform::syncFolder(folderOf(name));
    }
    m_intents.clear();
}

WriteResult ChangeSet::putInPlace() {
    std::vector<IntentRecord> records;
    for (PendingChange& pending : m_pending) {
        // What another run did meanwhile counts, not what the check saw before the lock.
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(pending.target, ec);
        pending.exists = fs::is_regular_file(status) || fs::is_symlink(status);
        if (pending.writes() && fs::exists(status) && !pending.exists)
            return failure(pending.change->target, fs::is_directory(status) ? EISDIR : kNotARegularFile);
        if (pending.writes() && pending.exists) {
            int error = platform::copyPermissions(pending.tempFile, pending.target);
            if (error == 0) error = platform::syncFile(pending.tempFile);
            if (error != 0) return failure(pending.change->target, error);
        }
        if (pending.exists) {
            pending.backup = temporaryName(folderOf(pending.target));
            records.push_back({'K', pending.target, pending.backup, {}});
        } else if (pending.writes()) {
            records.push_back({'N', pending.target, {}, platform::identityOf(pending.temp, true).value_or(platform::FileId{})});
        }
    }
    if (const int error = writeIntents(records); error != 0) {
        for (PendingChange& pending : m_pending) pending.backup.clear();
        return failure(m_changes.front().target, error);
    }
    bool firstInPlace = true;
    for (PendingChange& pending : m_pending) {
        if (!pending.exists && !pending.writes()) continue;
        if (pending.exists) {
            if (const int error = platform::checkReplaceable(pending.target); error != 0) {
                pending.backup.clear();
                return undo(pending, error);
            }
            // The earlier file stays reachable under a temporary name until every change is in place:
            // a second name where the file system has them, else the file itself renamed aside.
            int error = 0;
            if (pending.writes()) {
                std::error_code ec;
                fs::create_hard_link(pending.target, pending.backup, ec);
                if (ec) error = platform::errorNumber(ec);
                if (error != 0 && linksUnsupported(error)) error = renameAside(pending);
            } else {
                error = renameAside(pending);
            }
            if (error != 0) {
                pending.backup.clear();
                return undo(pending, error);
            }
            pending.backupHold = platform::holdFileOpen(pending.backup, error);
        }
        if (pending.writes()) {
            if (const int error = platform::renameFile(pending.temp, pending.target); error != 0)
                return undo(pending, error);
            // No longer a temporary file; and Windows cannot put the earlier file back over an open one.
            pending.tempFile.close();
        }
        pending.done = true;
        if (firstInPlace && pending.writes()) {
            firstInPlace = false;
            holdBetweenRenamesIfAsked();
        }
    }
    WriteResult result;
    std::set<fs::path> synced;
    for (PendingChange& pending : m_pending) {
        if (!pending.done || !synced.insert(folderOf(pending.target)).second) continue;
        // Every new file is in place: a folder whose names could not be made durable is a warning.
        if (const int error = platform::syncFolder(folderOf(pending.target)); error != 0 && result.warning.empty())
            result.warning = texts::kNotDurable + pathForMessage(folderOf(pending.target)) + "\r" +
                             texts::kReasonPrefix + describeSystemError(error);
    }
    removeIntents();
    for (PendingChange& pending : m_pending) {
        if (!pending.done) continue;
        pending.tempFile.close();
        pending.backupHold.close();
        std::error_code ec;
        if (!pending.backup.empty()) fs::remove(pending.backup, ec);
        pending.backup.clear();
    }
    return result;
}

int ChangeSet::renameAside(PendingChange& pending) {
    const int error = platform::renameFile(pending.target, pending.backup);
    if (error == 0) pending.aside = true;
    return error;
}

WriteResult ChangeSet::undo(PendingChange& failed, int error) {
    bool restored = true;
    for (auto it = m_pending.rbegin(); it != m_pending.rend(); ++it) {
        PendingChange& pending = *it;
        if (!pending.done && !(pending.aside && !pending.backup.empty())) continue;
        std::error_code ec;
        if (!pending.backup.empty()) {
            pending.backupHold.close();
            if (platform::renameFile(pending.backup, pending.target) == 0) {
                pending.backup.clear();
            } else {
                restored = false;
                pending.backup.clear(); // the earlier file, left with the intent for the next run
            }
        } else if (!pending.exists) {
            fs::remove(pending.target, ec);
        }
        pending.done = false;
        pending.aside = false;
    }
    if (restored) {
        removeIntents();
    } else {
        for (auto& [name, file] : m_intents) file.close();
        m_intents.clear();
    }
    return failure(failed.change->target, error);
}

bool ChangeSet::linksUnsupported(int error) {
    return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EMLINK || error == ENOSYS ||
           error == EXDEV;
}

} // namespace quarvel::detail
