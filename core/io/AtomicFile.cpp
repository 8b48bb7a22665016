#include "AtomicFile.h"

#include "ByteSource.h"
#include "ChangeSet.h"
#include "FileNames.h"
#include "IoTexts.h"
#include "Platform.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

namespace quarvel {
namespace detail {

WriteResult failure(const fs::path& target, int error) {
    return {false, error,
            texts::kCannotWriteFile + pathForMessage(target) + "\r" + texts::kReasonPrefix +
                describeSystemError(error),
            {}};
}

WriteResult sameFileFailure(const fs::path& target, const std::string& role) {
    return {false, EEXIST,
            texts::kCannotWriteFile + pathForMessage(target) + "\r" + texts::kReasonPrefix + texts::kSameFileAs + role,
            {}};
}

WriteResult ChangeSet::run() {
    m_mayProbe = true;
    if (WriteResult checked = check(); !checked.ok) return checked;
    if (WriteResult tidied = tidyFolders(); !tidied.ok) return tidied;
    for (PendingChange& pending : m_pending) {
        if (!pending.writes()) continue;
        if (WriteResult written = write(pending); !written.ok) return written;
    }
    if (const int error = m_locks.take(folders()); error != 0) return failure(m_changes.front().target, error);
    WriteResult result = putInPlace();
    m_locks.release();
    return result;
}

WriteResult ChangeSet::check() {
    const std::optional<platform::FileId> streams[] = {platform::identityOfStream(1), platform::identityOfStream(2)};
    for (const FileChange& change : m_changes) {
        PendingChange& pending = m_pending.emplace_back();
        pending.change = &change;
        int error = 0;
        pending.target = change.produce ? followLinks(change.target, error) : change.target;
        if (error != 0) return failure(change.target, error);
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(pending.target, ec);
        pending.exists = fs::exists(status);
        if (change.produce && fs::is_directory(status)) return failure(change.target, EISDIR);
        if (change.produce) {
            const fs::file_status folder = fs::status(folderOf(pending.target), ec);
            if (!fs::is_directory(folder)) return failure(change.target, fs::exists(folder) ? ENOTDIR : ENOENT);
            // Replaced where the name was checked, whatever links in its folder's path name later.
            const fs::path resolved = fs::canonical(folderOf(pending.target), ec);
            if (!ec) pending.target = resolved / pending.target.filename();
        }
        if (change.produce &&
            (platform::isReservedDeviceName(pending.target) || (pending.exists && !fs::is_regular_file(status))))
            return failure(change.target, kNotARegularFile);
        // The standard output or error redirected to a file is no file to replace: what the program
        // prints would end up inside it, or be lost.
        if (change.produce && pending.exists) {
            const std::optional<platform::FileId> id = platform::identityOf(pending.target);
            for (const std::optional<platform::FileId>& stream : streams) {
                if (id && stream == id) return failure(change.target, kNotARegularFile);
            }
        }
        // Only a file or a link of that name is removed; anything else is not a file a command wrote.
        if (!change.produce && !fs::is_regular_file(status) && !fs::is_symlink(status)) pending.exists = false;
    }
    for (std::size_t k = 0; k < m_pending.size(); ++k) {
        const PendingChange& pending = m_pending[k];
        for (const ProtectedFile& file : m_untouchable) {
            if (touchesSameFile(pending, file.file, true)) return sameFileFailure(pending.change->target, file.role);
        }
        for (std::size_t before = 0; before < k; ++before) {
            const PendingChange& other = m_pending[before];
            if (touchesSameFile(pending, other.target, other.writes())) {
                return sameFileFailure(pending.change->target, other.change->role);
            }
        }
    }
    return {};
}

std::vector<fs::path> ChangeSet::folders() const {
    std::vector<fs::path> list;
    for (const PendingChange& pending : m_pending) {
        const fs::path folder = folderOf(pending.target);
        if (std::find(list.begin(), list.end(), folder) == list.end()) list.push_back(folder);
    }
    return list;
}

WriteResult ChangeSet::write(PendingChange& pending) {
    const fs::path& target = pending.change->target;
    const fs::path folder = folderOf(pending.target);
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        pending.temp = temporaryName(folder);
        // An earlier file's readers must not see the new content under looser permissions on its way.
        pending.tempFile = platform::createOwnFile(pending.temp, pending.exists, error);
    }
    if (!pending.tempFile.isOpen()) {
        pending.temp.clear();
        return failure(target, error);
    }
    const std::unique_ptr<FileOutput> output = m_open(pending.tempFile);
    try {
        pending.change->produce(*output);
    } catch (const std::bad_alloc&) {
        return failure(target, ENOMEM);
    } catch (const ProducerFailure& failed) {
        return WriteResult{false, failed.error(), failed.message(), {}};
    }
    error = output->flush();
    if (error == 0) error = platform::syncFile(pending.tempFile);
    return error == 0 ? WriteResult{} : failure(target, error);
}

bool ChangeSet::touchesSameFile(const PendingChange& pending, const fs::path& other, bool otherIsFile) {
    if (pending.writes() && otherIsFile) {
        const std::optional<platform::FileId> a = platform::identityOf(pending.target);
        const std::optional<platform::FileId> b = platform::identityOf(other);
        if (a && b && *a == *b) return true;
    }
    return sameName(pending.target, other);
}

bool ChangeSet::sameName(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    const fs::path wholeA = fs::absolute(a, ec);
    if (ec) return false;
    const fs::path wholeB = fs::absolute(b, ec);
    if (ec) return false;
    const std::optional<platform::FileId> folderA = platform::identityOf(folderOf(wholeA));
    const std::optional<platform::FileId> folderB = platform::identityOf(folderOf(wholeB));
    if (!folderA || !folderB) {
        const fs::path nameA = fs::weakly_canonical(folderOf(wholeA), ec) / wholeA.filename();
        const fs::path nameB = fs::weakly_canonical(folderOf(wholeB), ec) / wholeB.filename();
        return nameA == nameB;
    }
    if (*folderA != *folderB) return false;
    if (wholeA.filename() == wholeB.filename()) return true;
    if (foldedName(wholeA.filename()) != foldedName(wholeB.filename())) return false;
    const auto known = m_folds.find(*folderA);
    if (known != m_folds.end()) return known->second;
    return m_folds[*folderA] = folderFoldsCase(folderOf(wholeA), m_mayProbe);
}

} // namespace detail

using namespace detail;

WriteResult changeFilesTogether(const std::vector<FileChange>& changes, const std::vector<ProtectedFile>& untouchable,
                                const OutputOpener& open) {
    if (changes.empty()) return {};
    ChangeSet set(changes, untouchable, open);
    return set.run();
}

WriteResult checkFileChanges(const std::vector<FileChange>& changes, const std::vector<ProtectedFile>& untouchable) {
    static const OutputOpener kSystem = openFileOutput; // the check writes nothing
    ChangeSet set(changes, untouchable, kSystem);
    return set.check();
}

WriteResult writeFileAtomically(const fs::path& target, const Producer& produce,
                                const std::vector<ProtectedFile>& untouchable, const OutputOpener& open) {
    return changeFilesTogether({FileChange{target, produce, {}}}, untouchable, open);
}

} // namespace quarvel
