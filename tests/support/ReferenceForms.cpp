#include "support/ReferenceForms.h"

#include <algorithm>
#include <iterator>

namespace quarvel::test {

std::vector<std::string> splitText(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (separator.empty()) {
        if (!text.empty()) pieces.emplace_back(text);
        return pieces;
    }
    std::size_t pos = 0;
    for (;;) {
        const std::size_t hit = text.find(separator, pos);
        if (hit == std::string_view::npos) break;
        pieces.emplace_back(text.substr(pos, hit - pos));
        pos = hit + separator.size();
    }
    if (pos < text.size()) pieces.emplace_back(text.substr(pos));
    return pieces;
}

std::string withoutSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(out), [](char c) { return c != ' '; });
    return out;
}

} // namespace quarvel::test
