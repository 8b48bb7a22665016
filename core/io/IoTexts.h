#pragma once

// The Polish texts of reading and writing files, in Windows-1250.

#include "Windows1250.h"

#include <string>

namespace quarvel::texts {

/// Starts the line of a message that gives the system's reason of a failure.
inline const std::string kReasonPrefix = cp1250FromUtf8("Przyczyna: ");
inline const std::string kCannotWriteFile = cp1250FromUtf8("Nie można zapisać pliku: ");
inline const std::string kSameFileAs = cp1250FromUtf8("to ten sam plik co ");
/// Every file is in place, but the system did not confirm that the folder's names reached the medium.
inline const std::string kNotDurable =
    cp1250FromUtf8("Pliki zostały zapisane, lecz system nie potwierdził trwałego zapisu folderu: ");

} // namespace quarvel::texts
