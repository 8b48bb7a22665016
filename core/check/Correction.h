#pragma once

#include "LoadedFile.h"

#include <chrono>

#include <string>
#include <string_view>

namespace quarvel {

/// The settings a correction run uses.
struct CorrectionSettings {
    CodePage sourceCodePage = CodePage::WindowsEe;
    bool trim = true;
    bool replaceControl = false;
};

/// Rebuilds every corrected value, original value and amount from the raw values, with `settings`.
void runCorrectionPass(LoadedFile& file, const CorrectionSettings& settings, std::chrono::year_month_day today);

/// The first step of a correction run: the translations and cuts of `settings`, which every value read
/// from then on goes through.
void prepareCorrection(LoadedFile& file, const CorrectionSettings& settings);
/// The correction of one record, after prepareCorrection, its rewritten values going to `rewrites`
/// (see RecordStore::rewriteInSlices).
void correctRecord(const LoadedFile& file, ValueRewrites& rewrites, std::size_t line, Record& record,
                   std::chrono::year_month_day today);

/// Where the corrected account number lies in its value.
struct AccountWindow {
    std::size_t start = 0;     ///< bytes dropped in front: an 8-character prefix with "-", then "PL"
    bool removeSpaces = false; ///< the rest is longer than 26 characters and holds spaces
};

/// How normalizeAccountNumber changes `text`, without copying it.
AccountWindow normalizeAccountWindow(std::string_view text);

/// Drops an 8-character prefix ending in "-", the spaces of a value longer than 26 characters, and a leading "PL".
/// The reference form of the rule, a text at a time: the correction run keeps only where the new value
/// lies (normalizeAccountWindow), and the tests check both against the rule spelled out step by step.
std::string normalizeAccountNumber(std::string_view text);

} // namespace quarvel
