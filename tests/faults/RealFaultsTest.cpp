// The batch command under faults the system really makes: a full disk, a read-only file system, files
// that may not change, a device, a killed run, a medium that fails to read, too little memory. Most need
// root (CI runs as root); each says why when it cannot run.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <fstream>
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
