#pragma once

#include "CodePages.h"
#include "LoadedFile.h"

#include <optional>

namespace quarvel {

/// The choices a run of the correction and the checks depends on: the window's options and code-page list,
/// or the batch command's options.
struct RunSettings {
    std::optional<CodePage> codePage; ///< instead of the identified one
    bool trimFields = true;
    bool replaceControl = false;
    bool checkNrbDigits = false;
    bool checkNipDigits = false;

    /// The code page the values are converted from.
    CodePage sourceCodePage(const LoadedFile& file) const { return codePage.value_or(file.identifiedCodePage); }
};

} // namespace quarvel
