#pragma once

#include "CodePages.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace quarvel::test {

/// Real Polish sentences (UTF-8) from a translation catalogue, as tests/data/polish-sentences.txt holds them.
const std::vector<std::string>& PolishSentences();

/// The files the figures of the identification are measured on: per number of records and code page, 60
/// files, file k starting at sentence 5k, so that they spread over the whole catalogue.
inline constexpr std::array<std::size_t, 3> kSentenceFileLines = {1, 3, 10};
inline constexpr std::size_t kSentenceFilesPerCodePage = 60;
constexpr std::size_t FirstSentenceOf(std::size_t file) {
    return file * 5;
}

/// A payment-orders file in code page `page` of `lines` valid records, whose first title holds the
/// sentences from `first` on (round to the start when they run out); the header names `page` when `named`.
std::string SentenceOrders(CodePage page, std::size_t first, std::size_t lines, bool named);

/// Whether code page `read` turns `bytes`, written in `written`, into the same Windows-1250 text.
bool ReadsAlike(const std::string& bytes, CodePage written, CodePage read);

} // namespace quarvel::test
