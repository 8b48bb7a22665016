#pragma once

// The write of a set of files, all or none (changeFilesTogether): its checks and writing in
// AtomicFile.cpp, the putting in place of its files and the undoing in FilePublishing.cpp.

#include "AtomicFile.h"
#include "ChangeIntent.h"
#include "FolderLocks.h"
#include "Platform.h"

#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace quarvel::detail {

namespace fs = std::filesystem;

WriteResult failure(const fs::path& target, int error);

WriteResult sameFileFailure(const fs::path& target, const std::string& role);

// One change on its way: checked, then written to its temporary file, then put in place. Whatever is
// not put in place is removed with the object.
struct PendingChange {
    const FileChange* change = nullptr;
    fs::path target; ///< the file replaced or removed (a written target's links followed, its folder resolved)
    bool exists = false;
    fs::path temp; ///< the new content, complete once written
    platform::NativeFile tempFile;
    fs::path backup; ///< the earlier file under a temporary name while the changes are put in place
    bool aside = false; ///< the backup is the earlier file renamed, not a second name of it
    platform::NativeFile backupHold;
    bool done = false; ///< put in place

    PendingChange() = default;
    PendingChange(const PendingChange&) = delete;
    PendingChange& operator=(const PendingChange&) = delete;
    ~PendingChange() {
        // Closed first: Windows keeps the name of an open file until it is closed.
        tempFile.close();
        backupHold.close();
        std::error_code ec;
        if (!temp.empty() && !done) fs::remove(temp, ec);
        if (!backup.empty()) fs::remove(backup, ec);
    }

    bool writes() const { return static_cast<bool>(change->produce); }
};

class ChangeSet {
public:
    ChangeSet(const std::vector<FileChange>& changes, const std::vector<ProtectedFile>& untouchable,
              const OutputOpener& open)
        : m_changes(changes), m_untouchable(untouchable), m_open(open) {}

    ~ChangeSet() {
        // The earlier files go before the intent that names them.
        m_pending.clear();
        removeIntents();
    }

    WriteResult run();

    // Everything that refuses a change, before anything is written.
    WriteResult check();

private:
    std::vector<fs::path> folders() const;

    // Under the folders' locks: puts back the earlier files of a run that ended between its renames,
    // then removes the temporary files killed runs left.
    WriteResult tidyFolders();

    WriteResult write(PendingChange& pending);

    // Writes the intent into every folder of the run, so that a run in any of them after a crash finds it.
    int writeIntents(const std::vector<IntentRecord>& records);

    void removeIntents();

    WriteResult putInPlace();

    int renameAside(PendingChange& pending);

    // Puts back every change already made, then reports the failure of `failed`. An earlier file that
    // cannot be put back keeps its backup and the intent, for the next run to put back.
    WriteResult undo(PendingChange& failed, int error);

    // Whether `pending` and the file or name `other` meet: one file on disk (through links and hard
    // links), or one name in one folder as the folder's file system compares names. A removal takes
    // away a name, not a file: it meets another change only by name.
    bool touchesSameFile(const PendingChange& pending, const fs::path& other, bool otherIsFile);

    bool sameName(const fs::path& a, const fs::path& b);

    static bool linksUnsupported(int error);

    const std::vector<FileChange>& m_changes;
    const std::vector<ProtectedFile>& m_untouchable;
    const OutputOpener& m_open;
    std::deque<PendingChange> m_pending; ///< never moved: each removes its files when it goes
    FolderLocks m_locks;
    std::vector<std::pair<fs::path, platform::NativeFile>> m_intents;
    std::map<platform::FileId, bool> m_folds; ///< per folder: whether its file system folds case
    bool m_mayProbe = false; ///< whether the check may make a file to learn how a folder compares names
};

} // namespace quarvel::detail
