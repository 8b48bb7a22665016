// Writes the payment-order files of real Polish sentences that the identification tests read, in every
// code page, of 1, 3 and 10 records, without the code page named, for scripts/tie-figures to run a batch
// command on; a manifest names, per file, its lines, its code page and every code page that reads it alike.

#include "support/PolishSentences.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    using namespace quarvel;
    if (argc != 2) {
        std::cerr << "usage: quarvel-sentence-files FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    std::ofstream manifest(folder / "manifest.tsv");
    for (const std::size_t lines : test::kSentenceFileLines) {
        for (const CodePage page : kSingleByteCodePages) {
            for (std::size_t file = 0; file < test::kSentenceFilesPerCodePage; ++file) {
                const std::string bytes = test::SentenceOrders(page, test::FirstSentenceOf(file), lines, false);
                const std::string name = std::to_string(lines) + "_" + std::string(nameOf(page)) + "_" +
                                         std::to_string(file) + ".txt";
                std::ofstream(folder / name, std::ios::binary) << bytes;
                manifest << name << '\t' << lines << '\t' << nameOf(page) << '\t';
                for (const CodePage other : kSingleByteCodePages) {
                    if (test::ReadsAlike(bytes, page, other)) manifest << nameOf(other) << ' ';
                }
                manifest << '\n';
            }
        }
    }
    return manifest ? 0 : 1;
}
