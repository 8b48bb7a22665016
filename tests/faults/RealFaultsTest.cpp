// The batch command under faults the system really makes: a full disk, a read-only file system, files
// that may not change, a device, a killed run, a medium that fails to read, too little memory. Most need
// root (CI runs as root); each says why when it cannot run.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <poll.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace quarvel {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1; ///< the exit status, or -1 when a signal ended the program
    int signal = 0;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text) {
    std::string q = "'";
    for (const char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a shell command with its output streams caught in files of `dir`.
Outcome shell(const test::TempDir& dir, const std::string& command) {
    const fs::path out = dir.path() / ".out";
    const fs::path err = dir.path() / ".err";
    const int raw = std::system((command + " >" + quoted(out.string()) + " 2>" + quoted(err.string())).c_str());
    Outcome r;
    if (WIFEXITED(raw)) {
        r.status = WEXITSTATUS(raw);
    } else if (WIFSIGNALED(raw)) {
        r.signal = WTERMSIG(raw);
    }
    r.out = test::ReadFile(out);
    r.err = test::ReadFile(err);
    fs::remove(out);
    fs::remove(err);
    return r;
}

std::string cli() {
    return quoted(QUARVEL_CLI_PATH);
}

Outcome batch(const test::TempDir& dir, const std::string& arguments) {
    return shell(dir, cli() + " " + arguments);
}

std::string contractors(std::size_t records) {
    std::string text = "KONTRAHENCI|ISO_LATIN2\r\n";
    for (std::size_t i = 0; i < records; ++i) {
        text += "Firma " + std::to_string(i) + "|Druga|Ulica 1|Miasto|12345678901234567890123456|Bank|Oddzial|Adres 1|Adres 2\r\n";
    }
    return text;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool anyTemporaryFile(const fs::path& folder) {
    for (const std::string& name : namesIn(folder)) {
        if (name.rfind(".quarvel-", 0) == 0) return true;
    }
    return false;
}

#define REQUIRE_ROOT()                                                                                                 \
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make this fault for real (CI runs as root)"

// A mount made for a test, undone with the object.
class Mount {
public:
    explicit Mount(const test::TempDir& dir, const std::string& command, fs::path point)
        : m_point(std::move(point)) {
        fs::create_directories(m_point);
        const Outcome r = shell(dir, command + " " + quoted(m_point.string()));
        m_mounted = r.status == 0;
        m_error = r.err;
    }
    ~Mount() {
        if (m_mounted) std::system(("umount -l " + quoted(m_point.string())).c_str());
    }
    bool mounted() const { return m_mounted; }
    const std::string& error() const { return m_error; }

private:
    fs::path m_point;
    bool m_mounted = false;
    std::string m_error;
};

TEST(RealFaults, ADiskThatFillsUpKeepsEveryEarlierFile) {
    REQUIRE_ROOT();
    test::TempDir dir;
    const fs::path disk = dir.path() / "disk";
    Mount tmpfs(dir, "mount -t tmpfs -o size=64k tmpfs", disk);
    if (!tmpfs.mounted()) GTEST_SKIP() << "the system refused a tmpfs mount: " << tmpfs.error();
    const std::string input = contractors(300); // about 30 KB, the new output as much: more than is left
    std::ofstream(disk / "dane.txt", std::ios::binary) << input;
    std::ofstream(disk / "dane_doVexa.txt", std::ios::binary) << "earlier output\r\n";
    std::ofstream(disk / "dane_doVexa.log", std::ios::binary) << "earlier log\r\n";

    const Outcome r = batch(dir, quoted((disk / "dane.txt").string()));
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("Przyczyna: brak miejsca na dysku"), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadFile(disk / "dane.txt"), input);
    EXPECT_EQ(test::ReadFile(disk / "dane_doVexa.txt"), "earlier output\r\n");
    EXPECT_EQ(test::ReadFile(disk / "dane_doVexa.log"), "earlier log\r\n");
    EXPECT_EQ(namesIn(disk), (std::vector<std::string>{"dane.txt", "dane_doVexa.log", "dane_doVexa.txt"}));
}

TEST(RealFaults, AReadOnlyFileSystemIsSaidSo) {
    REQUIRE_ROOT();
    test::TempDir dir;
    const fs::path folder = dir.path() / "ro";
    fs::create_directory(folder);
    std::ofstream(folder / "dane.txt", std::ios::binary) << contractors(3);
    Mount bind(dir, "mount --bind " + quoted(folder.string()), folder);
    if (!bind.mounted()) GTEST_SKIP() << "the system refused a bind mount: " << bind.error();
    if (shell(dir, "mount -o remount,bind,ro " + quoted(folder.string())).status != 0) {
        GTEST_SKIP() << "the system refused to make the bind mount read-only";
    }
    const Outcome r = batch(dir, quoted((folder / "dane.txt").string()));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Przyczyna: system plików jest tylko do odczytu"), std::string::npos) << r.err;
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"dane.txt"});
}

TEST(RealFaults, AFileThatMayNotChangeLeavesBothEarlierFiles) {
    REQUIRE_ROOT();
    for (const char* immutable : {"dane_doVexa.txt", "dane_doVexa.log"}) {
        SCOPED_TRACE(immutable);
        test::TempDir dir;
        std::ofstream(dir.path() / "dane.txt", std::ios::binary) << contractors(3);
        std::ofstream(dir.path() / "dane_doVexa.txt", std::ios::binary) << "earlier output\r\n";
        std::ofstream(dir.path() / "dane_doVexa.log", std::ios::binary) << "earlier log\r\n";
        const fs::path locked = dir.path() / immutable;
        if (shell(dir, "chattr +i " + quoted(locked.string())).status != 0) {
            GTEST_SKIP() << "the file system refused chattr +i";
        }
        const Outcome r = batch(dir, quoted((dir.path() / "dane.txt").string()));
        shell(dir, "chattr -i " + quoted(locked.string()));
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Nie można zapisać pliku: " + locked.string()), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("operacja niedozwolona"), std::string::npos) << r.err;
        EXPECT_EQ(test::ReadFile(dir.path() / "dane_doVexa.txt"), "earlier output\r\n");
        EXPECT_EQ(test::ReadFile(dir.path() / "dane_doVexa.log"), "earlier log\r\n");
        EXPECT_FALSE(anyTemporaryFile(dir.path()));
    }
}

TEST(RealFaults, ADeviceIsNeverReplaced) {
    REQUIRE_ROOT();
    test::TempDir dir;
    std::ofstream(dir.path() / "dane.txt", std::ios::binary) << contractors(3);
    const fs::path device = dir.path() / "urzadzenie";
    ASSERT_EQ(mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0) << "a node like /dev/null";
    for (const std::string& arguments : {"--log " + quoted(device.string()), "--log=" + quoted(device.string())}) {
        const Outcome r = batch(dir, arguments + " " + quoted((dir.path() / "dane.txt").string()));
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("to nie jest zwykły plik, lecz urządzenie lub potok"), std::string::npos) << r.err;
        EXPECT_TRUE(fs::is_character_file(device));
    }
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"dane.txt", "urzadzenie"}));
}

TEST(RealFaults, ARunKilledWhileWritingLeavesNothingTheNextRunKeeps) {
    test::TempDir dir;
    const std::string input = contractors(400000); // some 40 MB: the write takes a while
    std::ofstream(dir.path() / "dane.txt", std::ios::binary) << input;
    std::ofstream(dir.path() / "dane_doVexa.txt", std::ios::binary) << "earlier output\r\n";

    // Killed the moment its first temporary file appears in the folder.
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, dir.path().c_str(), IN_CREATE), 0);
    const std::string program = QUARVEL_CLI_PATH;
    const std::string file = (dir.path() / "dane.txt").string();
    std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(file.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    bool killed = false;
    alignas(inotify_event) char events[4096];
    pollfd waiting{watch, POLLIN, 0};
    while (!killed && poll(&waiting, 1, 30000) > 0) {
        const ssize_t got = read(watch, events, sizeof events);
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (event->len > 0 && std::string(event->name).rfind(".quarvel-", 0) == 0 && !killed) {
                kill(child, SIGKILL);
                killed = true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    close(watch);
    int raw = 0;
    waitpid(child, &raw, 0);
    ASSERT_TRUE(killed) << "no temporary file appeared";
    ASSERT_TRUE(WIFSIGNALED(raw));
    EXPECT_EQ(test::ReadFile(dir.path() / "dane_doVexa.txt"), "earlier output\r\n") << "killed before the rename";
    EXPECT_TRUE(anyTemporaryFile(dir.path())) << "what the killed run left";

    const Outcome r = batch(dir, quoted(file));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"dane.txt", "dane_doVexa.log", "dane_doVexa.txt"}));
    EXPECT_EQ(test::ReadFile(dir.path() / "dane.txt"), input);
}

TEST(RealFaults, AMediumThatFailsToReadIsAReadFailure) {
    test::TempDir dir;
    // Reading the memory of a process from its start fails with an input/output error, as a bad disk does.
    const Outcome r = batch(dir, "/proc/self/mem");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Błąd odczytu pliku: /proc/self/mem\nPrzyczyna: błąd wejścia/wyjścia\nWczytywanie pliku przerwane!\n");
}

TEST(RealFaults, TooLittleMemoryIsAMessageNeverACrash) {
    test::TempDir dir;
    const std::string input = contractors(600000); // some 60 MB
    std::ofstream(dir.path() / "dane.txt", std::ios::binary) << input;
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "under the address sanitizer the program reserves terabytes of address space for its shadow";
#endif
    if (shell(dir, "prlimit --as=100000000 true").status != 0) GTEST_SKIP() << "prlimit cannot limit memory here";
    bool lackSeen = false;
    // From too little to load at all to enough for everything but the last stages.
    for (const long megabytes : {120, 160, 200, 210, 220, 230, 240, 250, 260, 300}) {
        SCOPED_TRACE(std::to_string(megabytes) + " MB");
        std::error_code ec;
        fs::remove(dir.path() / "dane_doVexa.txt", ec);
        fs::remove(dir.path() / "dane_doVexa.log", ec);
        const Outcome r = shell(dir, "prlimit --as=" + std::to_string(megabytes * 1000000) + " " + cli() + " " +
                                     quoted((dir.path() / "dane.txt").string()));
        ASSERT_EQ(r.signal, 0) << "ended by a signal: " << r.err;
        ASSERT_TRUE(r.status == 0 || r.status == 2) << r.status << ": " << r.err;
        if (r.status == 2) {
            lackSeen = true;
            // The lack is told by the command, or, when it strikes while a file is made, as the reason the
            // file could not be written.
            EXPECT_TRUE(r.err.find("Za mało pamięci") != std::string::npos ||
                        r.err.find("Przyczyna: za mało pamięci") != std::string::npos)
                << r.err;
            EXPECT_FALSE(fs::exists(dir.path() / "dane_doVexa.txt"));
        }
        EXPECT_FALSE(anyTemporaryFile(dir.path()));
    }
    EXPECT_TRUE(lackSeen) << "no limit was low enough";
    EXPECT_EQ(test::ReadFile(dir.path() / "dane.txt"), input);
}

} // namespace
} // namespace quarvel

// ---------------------------------------------------------------------------------------------------------
// Removable media, shared folders, runs at once and crashes: the output and its log stay one pair.

namespace quarvel {
namespace {

std::string run(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
        pclose(pipe);
    }
    return text;
}

bool succeeds(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// A file system of a USB stick made in an image on a loop device and mounted for the test, undone with
// the object whatever the test's outcome.
class Medium {
public:
    enum Kind { ExFat, Fat };

    Medium(const test::TempDir& dir, Kind kind) : m_point(dir.path() / "stick") {
        fs::create_directories(m_point);
        const fs::path image = dir.path() / "stick.img";
        std::ofstream(image, std::ios::binary).close();
        fs::resize_file(image, 16U << 20);
        const std::string format = kind == ExFat ? "mkfs.exfat " : "mkfs.fat ";
        if (!succeeds(format + quoted(image.string()))) {
            m_why = format + "is missing or failed (Debian: exfatprogs, dosfstools)";
            return;
        }
        m_loop = run("losetup -f --show " + quoted(image.string()));
        while (!m_loop.empty() && m_loop.back() == '\n') m_loop.pop_back();
        if (m_loop.rfind("/dev/loop", 0) != 0) {
            m_why = "no loop device: " + m_loop;
            m_loop.clear();
            return;
        }
        const std::string point = quoted(m_point.string());
        if (kind == ExFat) {
            // exfat-fuse, which works where the kernel has no exFAT of its own.
            m_mounted = succeeds("mount.exfat-fuse " + m_loop + " " + point);
            if (!m_mounted) m_why = "mount.exfat-fuse failed (Debian: exfat-fuse; needs /dev/fuse)";
        } else {
            // Only the kernel's own: fusefat 1.0 was tried and hangs for good in an unlink() of this test.
            m_mounted = succeeds("mount -t vfat " + m_loop + " " + point);
            if (!m_mounted) m_why = "the kernel cannot mount vfat here (no vfat module), and fusefat hangs in unlink()";
        }
    }
    ~Medium() {
        if (m_mounted) std::system(("umount " + quoted(m_point.string()) + " || umount -l " + quoted(m_point.string())).c_str());
        if (!m_loop.empty()) std::system(("losetup -d " + m_loop).c_str());
    }
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;

    bool mounted() const { return m_mounted; }
    const std::string& whyNot() const { return m_why; }
    const fs::path& folder() const { return m_point; }

private:
    fs::path m_point;
    std::string m_loop;
    bool m_mounted = false;
    std::string m_why;
};

// A user of the system made for a test and removed with the object.
class OtherUser {
public:
    OtherUser() : m_name("quarvelt" + std::to_string(getpid())) {
        m_made = succeeds("useradd -M -N -s /usr/sbin/nologin " + m_name);
    }
    ~OtherUser() {
        if (m_made) std::system(("userdel " + m_name + " >/dev/null 2>&1").c_str());
    }
    OtherUser(const OtherUser&) = delete;
    OtherUser& operator=(const OtherUser&) = delete;
    bool made() const { return m_made; }
    // Runs a shell command as this user.
    bool runs(const std::string& command) const {
        return succeeds("runuser -u " + m_name + " -- sh -c " + quoted(command));
    }

private:
    std::string m_name;
    bool m_made = false;
};

const std::string kEarlierOutput = "earlier output\r\n";
const std::string kEarlierLog = "earlier log\r\n";

void writeEarlierPair(const fs::path& folder, const std::string& stem) {
    std::ofstream(folder / (stem + "_doVexa.txt"), std::ios::binary) << kEarlierOutput;
    std::ofstream(folder / (stem + "_doVexa.log"), std::ios::binary) << kEarlierLog;
}

std::vector<std::string> leftovers(const fs::path& folder) {
    std::vector<std::string> names;
    for (const std::string& name : namesIn(folder)) {
        if (name.rfind(".quarvel-", 0) == 0) names.push_back(name);
    }
    return names;
}

// Runs the command in the background with `hold` set, waits until it stops between its renames, then
// kills it as a crash would. False when it never got there.
bool crashBetweenRenames(const test::TempDir& dir, const std::string& arguments) {
    const fs::path mark = dir.path() / ".held";
    const fs::path pid = dir.path() / ".pid";
    std::system(("QUARVEL_TEST_HOLD_BETWEEN_RENAMES=" + quoted(mark.string()) + " " + cli() + " " + arguments +
                 " >/dev/null 2>&1 & echo $! >" + quoted(pid.string()))
                    .c_str());
    bool held = false;
    for (int wait = 0; wait < 3000 && !held; ++wait) { // a minute at most, however slow the machine
        held = fs::exists(mark);
        if (!held) usleep(20000);
    }
    const pid_t child = static_cast<pid_t>(std::stol(test::ReadFile(pid)));
    kill(child, SIGKILL);
    for (int wait = 0; wait < 500 && kill(child, 0) == 0; ++wait) usleep(10000);
    fs::remove(mark);
    fs::remove(pid);
    return held;
}

// Each rule of the writer on the file systems of USB sticks, which fold case and have no hard links,
// and on the local disk: every case ends with a pair that belongs together and no file of the writer.
TEST(RemovableMedia, ThePairHoldsOnEveryFileSystem) {
    REQUIRE_ROOT();
    struct Place {
        const char* name;
        std::optional<Medium::Kind> medium;
    };
    for (const Place& place : {Place{"exFAT", Medium::ExFat}, Place{"FAT", Medium::Fat}, Place{"local disk", {}}}) {
        SCOPED_TRACE(place.name);
        test::TempDir dir;
        std::optional<Medium> medium;
        fs::path folder = dir.path();
        if (place.medium) {
            medium.emplace(dir, *place.medium);
            if (!medium->mounted()) {
                test::SkipCase(place.name, medium->whyNot());
                continue;
            }
            folder = medium->folder();
        }
        const std::string input = contractors(3);
        const fs::path g = folder / "g.txt";
        const auto reset = [&] {
            std::ofstream(g, std::ios::binary) << input;
            writeEarlierPair(folder, "g");
        };
        const auto unchanged = [&](const std::string& what) {
            EXPECT_EQ(test::ReadFile(g), input) << what;
            EXPECT_EQ(test::ReadFile(folder / "g_doVexa.txt"), kEarlierOutput) << what;
            EXPECT_EQ(test::ReadFile(folder / "g_doVexa.log"), kEarlierLog) << what;
            EXPECT_EQ(leftovers(folder), std::vector<std::string>{}) << what;
        };

        // Another spelling of a name is that name where the file system folds case.
        struct Clash {
            std::string arguments;
            std::string role;
        };
        const bool folds = place.medium.has_value();
        for (const Clash& clash : {Clash{"--check-nrb --rejected G.TXT", "plik wejściowy"},
                                   Clash{"--log G_DOVEXA.TXT", "plik wyjściowy"},
                                   Clash{"--rejected G_DOVEXA.LOG", "plik LOG"}}) {
            reset();
            const Outcome r = shell(dir, "cd " + quoted(folder.string()) + " && " + cli() + " " + clash.arguments + " g.txt");
            if (folds) {
                EXPECT_EQ(r.status, 2) << clash.arguments << ": " << r.err;
                EXPECT_NE(r.err.find("to ten sam plik co " + clash.role), std::string::npos) << r.err;
                unchanged(clash.arguments);
            } else {
                EXPECT_NE(r.status, 2) << clash.arguments << ": " << r.err; // two files where names do not fold
            }
            for (const char* other : {"G.TXT", "G_DOVEXA.TXT", "G_DOVEXA.LOG"}) {
                if (!folds) fs::remove(folder / other);
            }
        }

        // A later step fails (the log may not change, on another disk): the earlier output comes back,
        // whether it was kept by a second name or renamed aside.
        reset();
        const fs::path lockedLog = dir.path() / "zablokowany.log";
        std::ofstream(lockedLog, std::ios::binary) << kEarlierLog;
        if (shell(dir, "chattr +i " + quoted(lockedLog.string())).status == 0) {
            const Outcome r = batch(dir, "--log " + quoted(lockedLog.string()) + " " + quoted(g.string()));
            shell(dir, "chattr -i " + quoted(lockedLog.string()));
            EXPECT_EQ(r.status, 2) << r.err;
            EXPECT_NE(r.err.find("operacja niedozwolona"), std::string::npos) << r.err;
            EXPECT_EQ(test::ReadFile(folder / "g_doVexa.txt"), kEarlierOutput);
            EXPECT_EQ(test::ReadFile(lockedLog), kEarlierLog);
            EXPECT_EQ(leftovers(folder), std::vector<std::string>{});
        } else {
            test::SkipCase("a log that may not change", "chattr +i was refused");
        }

        // A crash between the renames, then a run of another file in that folder: it puts the pair back
        // before it writes its own.
        reset();
        ASSERT_TRUE(crashBetweenRenames(dir, quoted(g.string()))) << "the run never reached its second rename";
        EXPECT_NE(test::ReadFile(folder / "g_doVexa.txt"), kEarlierOutput) << "the new output was in place";
        EXPECT_EQ(test::ReadFile(folder / "g_doVexa.log"), kEarlierLog) << "beside the earlier log";
        std::ofstream(folder / "h.txt", std::ios::binary) << input;
        const Outcome next = batch(dir, quoted((folder / "h.txt").string()));
        EXPECT_EQ(next.status, 0) << next.err;
        unchanged("after the crash");

        // The same run again completes, rewriting files the file system cannot give owners or modes.
        const Outcome again = batch(dir, quoted(g.string()));
        EXPECT_EQ(again.status, 0) << again.err;
        EXPECT_NE(test::ReadFile(folder / "g_doVexa.txt"), kEarlierOutput);
        EXPECT_NE(test::ReadFile(folder / "g_doVexa.log"), kEarlierLog);
        EXPECT_EQ(leftovers(folder), std::vector<std::string>{});
    }
}

// In a folder everyone may write to (sticky, 1777), a link is followed only as the kernel's
// protected_symlinks rule would: one another user planted is refused and nothing is written.
TEST(SharedFolders, ALinkIsFollowedOnlyWhereTheSystemsRuleWould) {
    REQUIRE_ROOT();
    OtherUser other;
    if (!other.made()) GTEST_SKIP() << "useradd failed (needs the passwd package and root)";
    struct Case {
        const char* planter;
        bool followed;
    };
    for (const Case& c : {Case{"another user", false}, Case{"the user who runs it", true}}) {
        SCOPED_TRACE(c.planter);
        test::TempDir dir;
        fs::permissions(dir.path(), fs::perms::all); // the test folder's parent need not be /tmp
        const fs::path shared = dir.path() / "wspolny";
        fs::create_directory(shared);
        fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
        const fs::path victims = dir.path() / "etc";
        fs::create_directory(victims);
        std::ofstream(victims / "passwd", std::ios::binary) << "root:x:0:0\n";
        std::ofstream(victims / "shadow", std::ios::binary) << "root:*:1\n";
        std::ofstream(shared / "zlecenia.txt", std::ios::binary) << contractors(2);
        const std::string plant = "ln -s " + quoted((victims / "passwd").string()) + " " +
                                  quoted((shared / "zlecenia_doVexa.txt").string()) + " && ln -s " +
                                  quoted((victims / "shadow").string()) + " " +
                                  quoted((shared / "zlecenia_doVexa.log").string());
        ASSERT_TRUE(c.followed ? succeeds(plant) : other.runs(plant));

        const Outcome r = batch(dir, quoted((shared / "zlecenia.txt").string()));
        if (c.followed) {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(test::ReadFile(victims / "passwd").substr(0, 12), "Kontrahenci|");
            EXPECT_TRUE(fs::is_symlink(shared / "zlecenia_doVexa.txt")) << "the link stays";
        } else {
            EXPECT_EQ(r.status, 2) << r.err;
            EXPECT_NE(r.err.find("dowiązanie symboliczne w folderze dostępnym dla wszystkich należy do innego "
                                 "użytkownika"),
                      std::string::npos)
                << r.err;
            EXPECT_EQ(test::ReadFile(victims / "passwd"), "root:x:0:0\n");
            EXPECT_EQ(test::ReadFile(victims / "shadow"), "root:*:1\n");
        }
        EXPECT_EQ(leftovers(shared), std::vector<std::string>{});
    }
}

// What an earlier file allowed whom stays with its new content: owner, group, mode and ACL.
TEST(SharedFolders, ARewriteKeepsOwnerModeAndAcl) {
    REQUIRE_ROOT();
    test::TempDir dir;
    std::ofstream(dir.path() / "dane.txt", std::ios::binary) << contractors(2);
    writeEarlierPair(dir.path(), "dane");
    const std::string output = quoted((dir.path() / "dane_doVexa.txt").string());
    const std::string log = quoted((dir.path() / "dane_doVexa.log").string());
    if (!succeeds("setfacl -m u:nobody:rw,g::r-- " + log)) GTEST_SKIP() << "setfacl failed (Debian: acl)";
    ASSERT_TRUE(succeeds("chown nobody:nogroup " + output + " && chmod 0604 " + output));
    const auto permissions = [&](const std::string& file) {
        return run("stat -c '%U:%G %a' " + file) + run("getfacl -cp " + file);
    };
    const std::string outputBefore = permissions(output);
    const std::string logBefore = permissions(log);
    ASSERT_NE(logBefore.find("user:nobody:rw-"), std::string::npos) << logBefore;

    const Outcome r = batch(dir, quoted((dir.path() / "dane.txt").string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(test::ReadFile(dir.path() / "dane_doVexa.log"), kEarlierLog);
    EXPECT_EQ(permissions(output), outputBefore);
    EXPECT_EQ(permissions(log), logBefore);
}

// Runs at once on one input, half of them checking NRB numbers (which makes every record invalid here,
// so that those remove the output): each round ends with one run's pair, never a mix, and no run fails.
TEST(ConcurrentRuns, TwentyAtOnceLeaveOneRunsPairAndFailNone) {
    test::TempDir dir;
    std::optional<Mount> tmpfs;
    fs::path folder = dir.path();
    if (geteuid() == 0) {
        tmpfs.emplace(dir, "mount -t tmpfs -o size=16m tmpfs", dir.path() / "tmpfs");
        if (tmpfs->mounted()) folder = dir.path() / "tmpfs";
    }
    const std::string file = (folder / "dane.txt").string();
    std::ofstream(file, std::ios::binary) << contractors(50);
    struct Pair {
        std::optional<std::string> output;
        std::string log;
        bool operator==(const Pair&) const = default;
    };
    const auto pairNow = [&] {
        Pair pair;
        if (fs::exists(folder / "dane_doVexa.txt")) pair.output = test::ReadFile(folder / "dane_doVexa.txt");
        pair.log = test::ReadFile(folder / "dane_doVexa.log");
        return pair;
    };
    ASSERT_EQ(batch(dir, quoted(file)).status, 0);
    const Pair plain = pairNow();
    ASSERT_EQ(batch(dir, "--check-nrb " + quoted(file)).status, 1);
    const Pair checked = pairNow();
    ASSERT_FALSE(checked.output);

    constexpr int kRuns = 20;
    constexpr int kRounds = 100;
    const std::string program = QUARVEL_CLI_PATH;
    const std::string nrb = "--check-nrb";
    int mixed = 0;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<pid_t> children;
        for (int k = 0; k < kRuns; ++k) {
            std::vector<char*> argv = {const_cast<char*>(program.c_str())};
            if (k % 2 == 1) argv.push_back(const_cast<char*>(nrb.c_str()));
            argv.push_back(const_cast<char*>(file.c_str()));
            argv.push_back(nullptr);
            const std::string err = (dir.path() / (".err" + std::to_string(k))).string();
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            pid_t child = 0;
            ASSERT_EQ(posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
            posix_spawn_file_actions_destroy(&actions);
            children.push_back(child);
        }
        for (int k = 0; k < kRuns; ++k) {
            int raw = 0;
            waitpid(children[static_cast<std::size_t>(k)], &raw, 0);
            const int expected = k % 2 == 1 ? 1 : 0;
            ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == expected)
                << "round " << round << ", run " << k << ": "
                << test::ReadFile(dir.path() / (".err" + std::to_string(k)));
        }
        const Pair now = pairNow();
        if (!(now == plain) && !(now == checked)) ++mixed;
        ASSERT_EQ(leftovers(folder), std::vector<std::string>{}) << "round " << round;
    }
    EXPECT_EQ(mixed, 0) << "rounds that ended with one run's output beside another's log";
}

// A run that finds its folder kept by another for longer than it waits gives up with a message and
// writes nothing.
TEST(ConcurrentRuns, AFolderKeptByAnotherRunIsAMessageAfterABoundedWait) {
    test::TempDir dir;
    std::ofstream(dir.path() / "dane.txt", std::ios::binary) << contractors(2);
    writeEarlierPair(dir.path(), "dane");
    const int held = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const Outcome r = shell(dir, "QUARVEL_TEST_LOCK_WAIT_MS=300 " + cli() + " " + quoted((dir.path() / "dane.txt").string()));
    close(held);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Przyczyna: w tym folderze zapisuje pliki inne uruchomienie programu"), std::string::npos)
        << r.err;
    EXPECT_EQ(test::ReadFile(dir.path() / "dane_doVexa.txt"), kEarlierOutput);
    EXPECT_EQ(test::ReadFile(dir.path() / "dane_doVexa.log"), kEarlierLog);
}

// The status and the streams tell what happened: a standard stream is no file to replace, a report
// that cannot be printed after the files were written is said to be lost, a name is shown on a terminal
// with its control characters escaped.
TEST(StandardStreams, TellTheTruthAboutWhatWasWritten) {
    test::TempDir dir;
    const std::string file = quoted((dir.path() / "dane.txt").string());
    std::ofstream(dir.path() / "dane.txt", std::ios::binary) << contractors(2);
    const fs::path caught = dir.path() / "przechwycone.txt";
    struct Refused {
        std::string options;
        std::string redirect;
    };
    for (const Refused& c : {Refused{"--log /dev/stdout", " >"}, Refused{"--rejected /dev/stderr", " 2>"},
                             Refused{"--log /proc/self/fd/1", " >"}}) {
        SCOPED_TRACE(c.options);
        std::ofstream(caught, std::ios::binary) << "earlier\n";
        const int status = std::system((cli() + " " + c.options + " " + file + c.redirect + quoted(caught.string())).c_str());
        EXPECT_EQ(WEXITSTATUS(status), 2);
        EXPECT_EQ(test::ReadFile(caught).find("Kontrahenci|"), std::string::npos) << "the stream's file was replaced";
        EXPECT_FALSE(fs::exists(dir.path() / "dane_doVexa.txt"));
    }
    for (const std::string& lost : {std::string(">&-"), std::string(">/dev/full")}) {
        SCOPED_TRACE(lost);
        fs::remove(dir.path() / "dane_doVexa.txt");
        const int status = std::system((cli() + " --json " + file + " " + lost + " 2>" + quoted(caught.string())).c_str());
        EXPECT_EQ(WEXITSTATUS(status), 1) << "the files are written; only the report is lost";
        EXPECT_NE(test::ReadFile(caught).find("pliki zostały zapisane, ale raportu nie wypisano"), std::string::npos);
        EXPECT_EQ(test::ReadFile(dir.path() / "dane_doVexa.txt").substr(0, 12), "Kontrahenci|");
    }
    if (!succeeds("command -v script")) GTEST_SKIP() << "no script(1) to give the command a terminal (util-linux)";
    const std::string name = "zle\x1b]0;tytul\x07\x1b[2J.txt";
    std::ofstream(dir.path() / name, std::ios::binary) << contractors(1);
    const std::string shown = run("cd " + quoted(dir.path().string()) + " && script -qec " +
                                  quoted(cli() + " --dry-run " + quoted(name)) + " /dev/null");
    EXPECT_NE(shown.find("zle\\x1B]0;tytul\\x07\\x1B[2J.txt"), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\x1b'), std::string::npos) << "a raw escape reached the terminal";
}

} // namespace
} // namespace quarvel
