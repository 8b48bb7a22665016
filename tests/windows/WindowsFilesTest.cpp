// What only Windows does with files: names in its wide characters that no code page holds, a file another
// program holds open without sharing it, names it keeps for devices in every folder. The batch command
// runs as a program here, started with a wide command line as Explorer or a console starts it.

#include "Batch.h"
#include "Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quarvel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kContractor =
    "KONTRAHENCI\r\n"
    "Firma|Druga|Ulica 1|Miasto|12345678901234567890123456|Bank|Oddzial|Adres 1|Adres 2\r\n";

std::wstring wide(const fs::path& path) {
    return path.native();
}

std::wstring quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

struct Outcome {
    DWORD status = 0;
    std::string out; ///< the standard output's bytes
    std::string err;
};

HANDLE inheritable(const fs::path& file) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// Runs the batch command with `arguments` (each quoted as a shell would), its output and errors in files.
Outcome runCli(const std::vector<fs::path>& arguments, const test::TempDir& scratch) {
    std::wstring commandLine = quoted(wide(platform::pathFromUtf8(QUARVEL_CLI_PATH)));
    for (const fs::path& argument : arguments)
        commandLine += L" " + quoted(argument.native());
    const fs::path outFile = scratch.path() / "stdout.txt";
    const fs::path errFile = scratch.path() / "stderr.txt";
    HANDLE out = inheritable(outFile);
    HANDLE err = inheritable(errFile);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    Outcome outcome;
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &outcome.status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "the batch command did not start: error " << GetLastError();
    }
    CloseHandle(out);
    CloseHandle(err);
    outcome.out = test::ReadFile(outFile);
    outcome.err = test::ReadFile(errFile);
    return outcome;
}

// Another program that has a file open and shares nothing of it, as an editor or a spreadsheet may:
// this test program started again with --hold, until it is told to end.
class HeldByAnotherProgram {
public:
    explicit HeldByAnotherProgram(const fs::path& file) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE childIn = nullptr;
        HANDLE childOut = nullptr;
        CreatePipe(&childIn, &m_toChild, &inherit, 0);
        CreatePipe(&m_fromChild, &childOut, &inherit, 0);
        SetHandleInformation(m_toChild, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(m_fromChild, HANDLE_FLAG_INHERIT, 0);
        wchar_t self[MAX_PATH * 4];
        GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
        std::wstring commandLine = quoted(self) + L" --hold " + quoted(file.native());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childIn;
        startup.hStdOutput = childOut;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        m_started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                   &m_process) != 0;
        CloseHandle(childIn);
        CloseHandle(childOut);
        // It says "held" once the file is open.
        char said[8] = {};
        DWORD got = 0;
        m_held = m_started && ReadFile(m_fromChild, said, 4, &got, nullptr) && std::string_view(said, got) == "held";
    }
    ~HeldByAnotherProgram() {
        CloseHandle(m_toChild); // its end of input: it closes the file and ends
        if (m_started) {
            WaitForSingleObject(m_process.hProcess, INFINITE);
            CloseHandle(m_process.hThread);
            CloseHandle(m_process.hProcess);
        }
        CloseHandle(m_fromChild);
    }
    HeldByAnotherProgram(const HeldByAnotherProgram&) = delete;
    HeldByAnotherProgram& operator=(const HeldByAnotherProgram&) = delete;

    bool held() const { return m_held; }

private:
    HANDLE m_toChild = nullptr;
    HANDLE m_fromChild = nullptr;
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
    bool m_held = false;
};

int holdFile(const wchar_t* name) {
    HANDLE file =
        CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "held", 4, &written, nullptr);
    char byte = 0;
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &got, nullptr) && got > 0) {
    }
    CloseHandle(file);
    return 0;
}

std::string utf8(const fs::path& path) {
    return platform::utf8FromPath(path);
}

TEST(WindowsFiles, PolishFolderAndFileNamesGoThroughTheWideApi) {
    test::TempDir dir;
    // Names no single-byte code page holds all of: Polish letters and a Greek and a Czech one.
    const fs::path folder = dir.path() / platform::pathFromUtf8("Księgowość Ωř");
    fs::create_directory(folder);
    const fs::path input = folder / platform::pathFromUtf8("Łódź.txt");
    {
        std::FILE* file = test::OpenFile(input, "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(kContractor.data(), 1, kContractor.size(), file);
        std::fclose(file);
    }
    const Outcome run = runCli({input}, dir);
    EXPECT_EQ(run.status, static_cast<DWORD>(kBatchAllWritten)) << run.err;
    const fs::path output = folder / platform::pathFromUtf8("Łódź_doVexa.txt");
    const fs::path log = folder / platform::pathFromUtf8("Łódź_doVexa.log");
    EXPECT_TRUE(fs::is_regular_file(output));
    EXPECT_TRUE(fs::is_regular_file(log));
    // Printed in UTF-8, byte for byte what the in-process command prints for the same file.
    EXPECT_NE(run.out.find("Plik: " + utf8(input) + "\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Zapisano plik wyjściowy: " + utf8(output) + "\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Zapisano plik LOG: " + utf8(log) + "\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\r'), std::string::npos) << "line ends as on Linux";
    std::ostringstream out;
    std::ostringstream err;
    const std::string writtenOutput = test::ReadFile(output);
    EXPECT_EQ(runBatch({utf8(input)}, out, err), kBatchAllWritten) << err.str();
    EXPECT_EQ(out.str(), run.out);
    EXPECT_EQ(test::ReadFile(output), writtenOutput);
    // A missing file of such a name is named in the message as it is.
    const fs::path missing = folder / platform::pathFromUtf8("Żółć.txt");
    const Outcome absent = runCli({missing}, dir);
    EXPECT_EQ(absent.status, static_cast<DWORD>(kBatchError));
    EXPECT_EQ(absent.err, "Nie ma takiego pliku: " + utf8(missing) + "\n");
}

TEST(WindowsFiles, AFileAnotherProgramHoldsIsReportedAsInUse) {
    test::TempDir dir;
    const fs::path input = dir.write("dane.txt", kContractor);
    const fs::path output = dir.path() / "dane_doVexa.txt";
    const fs::path log = dir.path() / "dane_doVexa.log";
    {
        HeldByAnotherProgram holder(input);
        ASSERT_TRUE(holder.held());
        const Outcome run = runCli({input}, dir);
        EXPECT_EQ(run.status, static_cast<DWORD>(kBatchError));
        EXPECT_EQ(run.err,
                  "Nie można otworzyć pliku: " + utf8(input) + "\nPrzyczyna: plik jest zajęty przez inny program\n");
        EXPECT_FALSE(fs::exists(output));
    }
    // An earlier output held open: nothing is replaced, the log neither, and no temporary file is left.
    const std::string earlier = "earlier output\r\n";
    dir.write("dane_doVexa.txt", earlier);
    {
        HeldByAnotherProgram holder(output);
        ASSERT_TRUE(holder.held());
        const Outcome run = runCli({input}, dir);
        EXPECT_EQ(run.status, static_cast<DWORD>(kBatchError));
        EXPECT_NE(run.err.find("Nie można zapisać pliku: " + utf8(output) +
                               "\nPrzyczyna: plik jest zajęty przez inny program\n"),
                  std::string::npos)
            << run.err;
    }
    EXPECT_EQ(test::ReadFile(output), earlier);
    EXPECT_FALSE(fs::exists(log));
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_FALSE(isTemporaryFileName(entry.path().filename())) << utf8(entry.path());
}

TEST(WindowsFiles, NamesKeptForDevicesAreRefusedAsDevices) {
    test::TempDir dir;
    const fs::path input = dir.write("dane.txt", kContractor);
    const std::string notAFile = "Przyczyna: to nie jest zwykły plik, lecz urządzenie lub potok\n";
    // Any case, with an extension or trailing spaces, in any folder.
    for (const char* name : {"NUL", "con", "Aux.txt", "COM1", "lpt9.log", "prn .txt", "CONOUT$"}) {
        const fs::path device = dir.path() / name;
        const Outcome read = runCli({device}, dir);
        EXPECT_EQ(read.status, static_cast<DWORD>(kBatchError)) << name;
        EXPECT_NE(read.err.find("Nie można otworzyć pliku: "), std::string::npos) << name << ": " << read.err;
        EXPECT_NE(read.err.find(notAFile), std::string::npos) << name << ": " << read.err;
        const Outcome written = runCli({platform::pathFromUtf8("--log"), device, input}, dir);
        EXPECT_EQ(written.status, static_cast<DWORD>(kBatchError)) << name;
        EXPECT_EQ(written.err, "Nie można zapisać pliku: " + utf8(device) + "\n" + notAFile) << name;
        EXPECT_TRUE(written.out.empty()) << name;
    }
    // Names that only begin like one are files.
    for (const char* name : {"CONSOLE.txt", "COM10.txt", "nul_doVexa.txt.log"}) {
        const Outcome written = runCli({platform::pathFromUtf8("--log"), dir.path() / name, input}, dir);
        EXPECT_EQ(written.status, static_cast<DWORD>(kBatchAllWritten)) << name << ": " << written.err;
        EXPECT_TRUE(fs::is_regular_file(dir.path() / name)) << name;
    }
}

// Windows folders fold case, Polish letters too, and a file is one file by its volume and index whatever
// its names: a name that is another file of the run by either is refused before anything is written.
TEST(WindowsFiles, OneFileOneNameByFoldedCaseAndFileId) {
    test::TempDir dir;
    const fs::path input = dir.path() / platform::pathFromUtf8("łódź.txt");
    const std::string bytes(kContractor);
    std::ofstream(input, std::ios::binary) << bytes;
    const fs::path hardLink = dir.path() / "drugie.txt";
    ASSERT_TRUE(CreateHardLinkW(hardLink.c_str(), input.c_str(), nullptr));
    struct Clash {
        const char* option;
        const char* name;
        const char* role;
    };
    for (const Clash& c : {Clash{"--rejected", "ŁÓDŹ.TXT", "plik wejściowy"},
                           Clash{"--log", "ŁÓDŹ_DOVEXA.TXT", "plik wyjściowy"},
                           Clash{"--log", "drugie.txt", "plik wejściowy"}}) {
        SCOPED_TRACE(c.name);
        const Outcome run = runCli({platform::pathFromUtf8(c.option), dir.path() / platform::pathFromUtf8(c.name), input}, dir);
        EXPECT_EQ(run.status, static_cast<DWORD>(kBatchError)) << run.err;
        EXPECT_NE(run.err.find(std::string("to ten sam plik co ") + c.role), std::string::npos) << run.err;
        EXPECT_EQ(test::ReadFile(input), bytes);
        EXPECT_FALSE(fs::exists(dir.path() / platform::pathFromUtf8("łódź_doVexa.txt")));
    }
}

// What the earlier file's access list allowed whom, its new content allows alike.
TEST(WindowsFiles, ARewriteKeepsTheEarlierFilesAccessList) {
    test::TempDir dir;
    const fs::path input = dir.path() / "dane.txt";
    std::ofstream(input, std::ios::binary) << kContractor;
    const fs::path output = dir.path() / "dane_doVexa.txt";
    std::ofstream(output, std::ios::binary) << "earlier\r\n";
    // Everyone may read it, nothing inherited from the folder.
    PSECURITY_DESCRIPTOR wanted = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FR;;;WD)(A;;FA;;;OW)", SDDL_REVISION_1,
                                                                     &wanted, nullptr));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(wanted, &present, &dacl, &defaulted);
    const DWORD set = SetNamedSecurityInfoW(const_cast<wchar_t*>(output.c_str()), SE_FILE_OBJECT,
                                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                            nullptr, dacl, nullptr);
    LocalFree(wanted);
    if (set != ERROR_SUCCESS) GTEST_SKIP() << "this system keeps no access list on the file (error " << set << ")";
    const auto accessList = [](const fs::path& file) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        PACL list = nullptr;
        if (GetNamedSecurityInfoW(file.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list,
                                  nullptr, &descriptor) != ERROR_SUCCESS)
            return std::wstring(L"?");
        LPWSTR text = nullptr;
        std::wstring sddl = L"?";
        if (ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                                 &text, nullptr)) {
            sddl = text;
            LocalFree(text);
        }
        LocalFree(descriptor);
        return sddl;
    };
    const std::wstring before = accessList(output);
    const Outcome run = runCli({input}, dir);
    ASSERT_EQ(run.status, static_cast<DWORD>(kBatchAllWritten)) << run.err;
    EXPECT_NE(test::ReadFile(output), "earlier\r\n");
    EXPECT_EQ(accessList(output), before);
}

} // namespace
} // namespace quarvel

int main(int argc, char** argv) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (count == 3 && std::wstring_view(arguments[1]) == L"--hold") return quarvel::holdFile(arguments[2]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
