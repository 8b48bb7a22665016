#include "support/PolishSentences.h"

#include "Windows1250.h"

#include <fstream>
#include <stdexcept>

namespace quarvel::test {

const std::vector<std::string>& PolishSentences() {
    static const std::vector<std::string> sentences = [] {
        std::ifstream in(std::string(QUARVEL_TEST_DATA_DIR) + "/polish-sentences.txt", std::ios::binary);
        if (!in) throw std::runtime_error("tests/data/polish-sentences.txt cannot be read");
        std::vector<std::string> read;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line.front() != '#') read.push_back(line);
        }
        return read;
    }();
    return sentences;
}

std::string SentenceOrders(CodePage page, std::size_t first, std::size_t lines, bool named) {
    const std::vector<std::string>& sentences = PolishSentences();
    std::string text = named ? "ZLECENIA|" + std::string(nameOf(page)) + "\r\n" : "ZLECENIA\r\n";
    for (std::size_t k = 0; k < lines; ++k) {
        const std::string title = cp1250FromUtf8(sentences[(first + k) % sentences.size()]);
        text += "12/31/99|100,50|61109010140000071219812874|27114020040000300201355387|" +
                convertText(title, CodePage::WindowsEe, page) + "|Faktura 7||||\r\n";
    }
    return text;
}

bool ReadsAlike(const std::string& bytes, CodePage written, CodePage read) {
    return convertText(bytes, written, CodePage::WindowsEe) == convertText(bytes, read, CodePage::WindowsEe);
}

} // namespace quarvel::test
