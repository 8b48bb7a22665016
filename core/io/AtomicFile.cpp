#include "AtomicFile.h"

#include "ByteSource.h"
#include "IoTexts.h"
#include "Platform.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <set>
#include <system_error>
#include <thread>

namespace quarvel {
namespace {

namespace fs = std::filesystem;

// Temporary names are short and of one length whatever the target's name, so that any name the
// system allows for a target leaves room for them.
constexpr std::string_view kTempPrefix = ".quarvel-";
constexpr std::string_view kTempSuffix = ".tmp";
// What a run is about to replace and where it keeps the earlier files, named like a temporary file so
// that it fits wherever one does, and told apart from one by its end.
constexpr std::string_view kIntentSuffix = ".job";
constexpr std::string_view kIntentHeader = "quarvel intent 1\n";
constexpr std::size_t kTempDigits = 8;
// How long a run waits for another writing into the same folder: long enough for any replacement, which
// is a few renames and syncs, never for ever.
constexpr std::chrono::milliseconds kFolderLockWait{30000};
constexpr std::chrono::milliseconds kFolderLockRetry{10};
// Links followed from a target before giving up, as the system does for a path.
constexpr int kMaxLinkHops = 40;

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

fs::path temporaryName(const fs::path& folder, std::string_view suffix = kTempSuffix) {
    static constexpr char kHex[] = "0123456789abcdef";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name(kTempPrefix);
    std::uint64_t bits = random();
    for (std::size_t k = 0; k < kTempDigits; ++k, bits >>= 4)
        name += kHex[bits & 15U];
    name += suffix;
    return folder / platform::pathFromUtf8(name);
}

bool hasTemporaryShape(const fs::path& name, std::string_view suffix) {
    const std::string text = platform::utf8FromPath(name.filename());
    if (text.size() != kTempPrefix.size() + kTempDigits + suffix.size()) return false;
    if (!text.starts_with(kTempPrefix) || !text.ends_with(suffix)) return false;
    const std::string_view digits = std::string_view(text).substr(kTempPrefix.size(), kTempDigits);
    return digits.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

fs::path folderOf(const fs::path& file) {
    fs::path folder = file.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// A name as the file systems that fold case compare it: ASCII and the Latin letters of Latin-1 and
// Latin Extended-A (the Polish ones among them) in their small form, in UTF-8. exFAT, FAT, NTFS and
// ext4's casefold all fold at least these alike.
std::string foldedName(const fs::path& name) {
    const std::string text = platform::utf8FromPath(name);
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        if (c >= 'A' && c <= 'Z') {
            folded += static_cast<char>(c + ('a' - 'A'));
            continue;
        }
        if ((c == 0xC3 || c == 0xC4 || c == 0xC5) && k + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[k + 1]);
            if ((next & 0xC0) == 0x80) {
                unsigned code = ((c & 0x1FU) << 6) | (next & 0x3FU);
                if (code >= 0xC0 && code <= 0xDE && code != 0xD7) {
                    code += 0x20;
                } else if (code == 0x178) {
                    code = 0xFF;
                } else if ((code >= 0x100 && code <= 0x137) || (code >= 0x14A && code <= 0x177)) {
                    code |= 1U; // capital even, small odd
                } else if ((code >= 0x139 && code <= 0x148) || (code >= 0x179 && code <= 0x17E)) {
                    code += code & 1U; // capital odd, small even
                }
                folded += static_cast<char>(0xC0U | (code >> 6));
                folded += static_cast<char>(0x80U | (code & 0x3FU));
                ++k;
                continue;
            }
        }
        folded += static_cast<char>(c);
    }
    return folded;
}

// The other spelling of a name: its ASCII letters in the other case; the name itself without any.
template <typename Char>
std::basic_string<Char> swappedCase(const std::basic_string<Char>& name) {
    std::basic_string<Char> swapped = name;
    for (Char& c : swapped) {
        if (c >= Char('a') && c <= Char('z')) {
            c = static_cast<Char>(c - Char('a') + Char('A'));
        } else if (c >= Char('A') && c <= Char('Z')) {
            c = static_cast<Char>(c - Char('A') + Char('a'));
        }
    }
    return swapped;
}

// Whether the entry `name` is in `folder` under exactly that spelling.
bool listedAs(const fs::path& folder, const fs::path& name) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().native() == name.native()) return true;
    }
    return false;
}

// Whether `spelling` in `folder` reaches the entry `name` there: a file system that folds case finds
// an entry by either spelling, one that does not finds only its own. Where both names are found as
// different files a listing tells two entries from one (a FUSE file system may give each spelling an
// inode of its own).
bool reachedByOtherSpelling(const fs::path& folder, const fs::path& name, const fs::path& spelling) {
    const std::optional<platform::FileId> named = platform::identityOf(folder / name, true);
    const std::optional<platform::FileId> other = platform::identityOf(folder / spelling, true);
    if (!named || !other) return false;
    if (*named == *other) return true;
    return !listedAs(folder, spelling);
}

// Whether the folder's file system takes two spellings of a name for one, found out in the folder
// itself (a Linux folder may fold case, a Windows one may not): through an entry with letters in it
// and, where there is none and `mayProbe`, through a file made for the purpose and removed at once.
bool folderFoldsCase(const fs::path& folder, bool mayProbe) {
    std::error_code ec;
    int looked = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end && looked < 64; it.increment(ec)) {
        const fs::path name = it->path().filename();
        const fs::path spelling(swappedCase(name.native()));
        if (spelling == name) continue;
        ++looked;
        if (reachedByOtherSpelling(folder, name, spelling)) return true;
        if (!fs::exists(fs::symlink_status(folder / spelling, ec))) return false;
    }
    if (looked > 0 || !mayProbe) return false;
    int error = EEXIST;
    fs::path probe;
    platform::NativeFile file;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        probe = temporaryName(folder);
        file = platform::createOwnFile(probe, true, error);
    }
    if (!file.isOpen()) return false;
    const bool folds = reachedByOtherSpelling(folder, probe.filename(), fs::path(swappedCase(probe.filename().native())));
    file.close();
    fs::remove(probe, ec);
    return folds;
}

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

std::chrono::milliseconds folderLockWait() {
    const char* wait = std::getenv("QUARVEL_TEST_LOCK_WAIT_MS");
    return wait != nullptr && *wait != '\0' ? std::chrono::milliseconds(std::atol(wait)) : kFolderLockWait;
}
#else
void holdBetweenRenamesIfAsked() {}
std::chrono::milliseconds folderLockWait() {
    return kFolderLockWait;
}
#endif

// The file a write of `target` replaces: the end of its chain of symbolic links, or `target` itself.
fs::path followLinks(const fs::path& target, int& error) {
    fs::path path = target;
    for (int hops = 0; hops <= kMaxLinkHops; ++hops) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(path, ec);
        if (status.type() == fs::file_type::not_found) return path;
        if (ec) {
            error = platform::errorNumber(ec);
            return {};
        }
        if (!fs::is_symlink(status)) return path;
        if (!platform::mayFollowLink(path)) {
            error = kUntrustedLink;
            return {};
        }
        const fs::path link = fs::read_symlink(path, ec);
        if (ec) {
            error = platform::errorNumber(ec);
            return {};
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    error = ELOOP;
    return {};
}

class TempFileOutput final : public FileOutput {
public:
    explicit TempFileOutput(platform::NativeFile& file) : m_file(file) { m_buffer.reserve(kBufferSize); }

    void write(std::string_view bytes) override {
        if (m_error != 0) return;
        // Large pieces go out as they are, after what is buffered; only small ones are gathered.
        if (m_buffer.size() + bytes.size() > kBufferSize || bytes.size() >= kDirectWrite) flush();
        if (bytes.size() >= kDirectWrite) {
            if (m_error == 0) m_error = platform::writeAll(m_file, bytes.data(), bytes.size());
        } else {
            m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
        }
    }

    int flush() override {
        if (m_error == 0 && !m_buffer.empty()) m_error = platform::writeAll(m_file, m_buffer.data(), m_buffer.size());
        m_buffer.clear();
        return m_error;
    }

private:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;
    static constexpr std::size_t kDirectWrite = std::size_t{1} << 16;

    platform::NativeFile& m_file;
    std::vector<char> m_buffer;
    int m_error = 0;
};

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

// The locks of the folders a run writes into, taken in one order by every run so that two runs that
// write into the same two folders cannot wait for each other.
class FolderLocks {
public:
    // 0, or kFolderBusy when another run kept a folder for longer than a run waits.
    int take(const std::vector<fs::path>& folders) {
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
    void release() { m_held.clear(); }

private:
    std::vector<platform::NativeFile> m_held;
};

// The intent file: one record per change, fields ended by NUL (no name holds one). "K", the target and
// its backup: the earlier file is kept under the backup's name. "N", the target and the identity of its
// new file: there was none before.
struct IntentRecord {
    char kind = 'K';
    fs::path target;
    fs::path backup;
    platform::FileId made;
};

std::string intentText(const std::vector<IntentRecord>& records) {
    std::string text(kIntentHeader);
    for (const IntentRecord& record : records) {
        text += record.kind;
        text += '\0';
        text += platform::utf8FromPath(record.target);
        text += '\0';
        text += platform::utf8FromPath(record.backup);
        text += '\0';
        text += std::to_string(record.made.volume);
        text += '\0';
        text += std::to_string(record.made.index);
        text += '\0';
    }
    return text;
}

std::optional<std::vector<IntentRecord>> parseIntent(std::string_view text) {
    if (!text.starts_with(kIntentHeader)) return std::nullopt;
    text.remove_prefix(kIntentHeader.size());
    std::vector<IntentRecord> records;
    const auto field = [&text]() -> std::optional<std::string_view> {
        const std::size_t end = text.find('\0');
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view value = text.substr(0, end);
        text.remove_prefix(end + 1);
        return value;
    };
    const auto number = [](std::string_view digits) {
        std::uint64_t value = 0;
        for (const char c : digits) value = value * 10 + static_cast<std::uint64_t>(c >= '0' && c <= '9' ? c - '0' : 0);
        return value;
    };
    while (!text.empty()) {
        const auto kind = field();
        const auto target = field();
        const auto backup = field();
        const auto volume = field();
        const auto index = field();
        if (!index || kind->size() != 1 || ((*kind)[0] != 'K' && (*kind)[0] != 'N')) return std::nullopt;
        records.push_back({(*kind)[0], platform::pathFromUtf8(*target), platform::pathFromUtf8(*backup),
                           {number(*volume), number(*index)}});
    }
    return records;
}

// Puts back what a run that ended part way had replaced, as its intent records it; 0, or the error that
// stopped it (the intent then stays for a later run).
int restoreFromIntent(const std::vector<IntentRecord>& records) {
    int failed = 0;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const IntentRecord& record = *it;
        std::error_code ec;
        if (record.kind == 'N') {
            if (platform::identityOf(record.target, true) == record.made) fs::remove(record.target, ec);
            if (ec) failed = platform::errorNumber(ec);
            continue;
        }
        const std::optional<platform::FileId> kept = platform::identityOf(record.backup, true);
        if (!kept) continue; // put back already, or the run ended before keeping it
        if (platform::identityOf(record.target, true) == kept) {
            fs::remove(record.backup, ec); // the second name of a file still in place
        } else if (const int error = platform::renameFile(record.backup, record.target); error != 0) {
            failed = error;
        }
    }
    return failed;
}

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

    WriteResult run() {
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

    // Everything that refuses a change, before anything is written.
    WriteResult check() {
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

private:
    std::vector<fs::path> folders() const {
        std::vector<fs::path> list;
        for (const PendingChange& pending : m_pending) {
            const fs::path folder = folderOf(pending.target);
            if (std::find(list.begin(), list.end(), folder) == list.end()) list.push_back(folder);
        }
        return list;
    }

    // Under the folders' locks: puts back the earlier files of a run that ended between its renames,
    // then removes the temporary files killed runs left.
    WriteResult tidyFolders() {
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

    WriteResult write(PendingChange& pending) {
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

    // Writes the intent into every folder of the run, so that a run in any of them after a crash finds it.
    int writeIntents(const std::vector<IntentRecord>& records) {
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

    void removeIntents() {
        std::set<fs::path> synced;
        for (auto& [name, file] : m_intents) {
            file.close();
            std::error_code ec;
            fs::remove(name, ec);
            if (synced.insert(folderOf(name)).second) (void)platform::syncFolder(folderOf(name));
        }
        m_intents.clear();
    }

    WriteResult putInPlace() {
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

    int renameAside(PendingChange& pending) {
        const int error = platform::renameFile(pending.target, pending.backup);
        if (error == 0) pending.aside = true;
        return error;
    }

    // Puts back every change already made, then reports the failure of `failed`. An earlier file that
    // cannot be put back keeps its backup and the intent, for the next run to put back.
    WriteResult undo(PendingChange& failed, int error) {
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

    // Whether `pending` and the file or name `other` meet: one file on disk (through links and hard
    // links), or one name in one folder as the folder's file system compares names. A removal takes
    // away a name, not a file: it meets another change only by name.
    bool touchesSameFile(const PendingChange& pending, const fs::path& other, bool otherIsFile) {
        if (pending.writes() && otherIsFile) {
            const std::optional<platform::FileId> a = platform::identityOf(pending.target);
            const std::optional<platform::FileId> b = platform::identityOf(other);
            if (a && b && *a == *b) return true;
        }
        return sameName(pending.target, other);
    }

    bool sameName(const fs::path& a, const fs::path& b) {
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

    static bool linksUnsupported(int error) {
        return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EMLINK || error == ENOSYS ||
               error == EXDEV;
    }

    const std::vector<FileChange>& m_changes;
    const std::vector<ProtectedFile>& m_untouchable;
    const OutputOpener& m_open;
    std::deque<PendingChange> m_pending; ///< never moved: each removes its files when it goes
    FolderLocks m_locks;
    std::vector<std::pair<fs::path, platform::NativeFile>> m_intents;
    std::map<platform::FileId, bool> m_folds; ///< per folder: whether its file system folds case
    bool m_mayProbe = false; ///< whether the check may make a file to learn how a folder compares names
};

} // namespace

bool isTemporaryFileName(const fs::path& name) {
    return hasTemporaryShape(name, kTempSuffix);
}

bool sameFile(const fs::path& a, const fs::path& b) {
    const std::optional<platform::FileId> idA = platform::identityOf(a);
    const std::optional<platform::FileId> idB = platform::identityOf(b);
    if (idA && idB && *idA == *idB) return true;
    const auto resolved = [](const fs::path& p) -> std::optional<fs::path> {
        std::error_code failed;
        const fs::path absolute = fs::absolute(p, failed);
        if (failed) return std::nullopt;
        fs::path canonical = fs::weakly_canonical(absolute, failed);
        if (failed) return std::nullopt;
        return canonical;
    };
    const std::optional<fs::path> resolvedA = resolved(a);
    const std::optional<fs::path> resolvedB = resolved(b);
    return resolvedA && resolvedB && *resolvedA == *resolvedB;
}

std::unique_ptr<FileOutput> openFileOutput(platform::NativeFile& file) {
    return std::make_unique<TempFileOutput>(file);
}

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
