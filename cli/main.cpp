#include "Batch.h"
#include "ConsoleBuffer.h"
#include "Platform.h"
#include "TerminalText.h"

#include <iostream>

int main(int argc, char** argv) {
    namespace platform = quarvel::platform;
    platform::useBinaryStandardStreams();
    // A console window shows UTF-8 bytes in its own code page ("uÅ¼yta"): text for one goes to it in its
    // own characters. Output redirected to a file or a pipe is UTF-8.
    quarvel::ConsoleBuffer outConsole([](std::string_view text) { return platform::writeToConsole(1, text); });
    quarvel::ConsoleBuffer errConsole([](std::string_view text) { return platform::writeToConsole(2, text); });
    std::streambuf* outBuffer = platform::isConsole(1) ? &outConsole : std::cout.rdbuf();
    std::streambuf* errBuffer = platform::isConsole(2) ? &errConsole : std::cerr.rdbuf();
    quarvel::TerminalText outTerminal(outBuffer);
    quarvel::TerminalText errTerminal(errBuffer);
    std::ostream out(platform::isTerminal(1) ? &outTerminal : outBuffer);
    std::ostream err(platform::isTerminal(2) ? &errTerminal : errBuffer);
    err.setf(std::ios::unitbuf);
    const int status = quarvel::runBatch(platform::programArguments(argc, argv), out, err);
    err.flush();
    return status;
}
