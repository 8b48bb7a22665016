#pragma once

// The Polish texts of the main window and the record grid, in Windows-1250.

#include "Windows1250.h"

#include <array>
#include <string>

namespace quarvel::texts {

inline const std::string kWindowTitle = "Vexa Quarvel v.1.0 (alfa '2006)";
inline const std::string kOpenFilterTxt = "Pliki TXT";
inline const std::string kOpenFilterAll = "Wszystkie pliki";
inline const std::string kOnlyOneFile = cp1250FromUtf8("Można wczytać tylko jeden plik naraz.");
inline const std::string kColumnLine = "Linia";
inline const std::string kColumnStatus = "Status";
inline const std::string kNoData = "[BRAK DANYCH]";
inline const std::array<std::string, 4> kRecordFilterItems = {
    cp1250FromUtf8("Pokaż wszystkie rekordy"), cp1250FromUtf8("Pokaż tylko rekordy nieprawidłowe"),
    cp1250FromUtf8("Pokaż tylko rekordy prawidłowe"), cp1250FromUtf8("Pokaż tylko rekordy z uwagami")};
inline const std::string kDetailsLineErrors = cp1250FromUtf8("Błędy dla wybranej linii:");
inline const std::string kDetailsNotes = "Uwagi:";
inline const std::string kDetailsFieldErrors = cp1250FromUtf8("Błędy w polach dla wybranej linii: ");

} // namespace quarvel::texts
