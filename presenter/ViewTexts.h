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
inline const std::string kAccountTotalsButton = cp1250FromUtf8("Sumy wg rachunków…");
inline const std::string kAccountTotalsTitle = cp1250FromUtf8("Sumy prawidłowych zleceń wg rachunków obciążanych");
inline const std::array<std::string, 3> kAccountTotalsColumns = {cp1250FromUtf8("Rachunek obciążany"),
                                                                 cp1250FromUtf8("Ilość zleceń"), "Suma"};
inline const std::string kClose = "Zamknij";
inline const std::string kDetailsFieldErrors = cp1250FromUtf8("Błędy w polach dla wybranej linii: ");

// The stages of a command's work in the progress row, and its cancel button.
inline const std::string kStageReading = cp1250FromUtf8("Wczytywanie…");
inline const std::string kStageChecking = cp1250FromUtf8("Sprawdzanie…");
inline const std::string kStageWriting = cp1250FromUtf8("Zapisywanie…");
inline const std::string kCancelWork = "Anuluj";

// What a cell's state and the status signs mean, for screen readers and tooltips.
inline const std::string kCellInvalid = cp1250FromUtf8("nieprawidłowe");
inline const std::string kCellChanged = cp1250FromUtf8("zmienione");
inline const std::string kCellValid = cp1250FromUtf8("prawidłowe");
inline const std::string kStatusInvalid = cp1250FromUtf8("rekord nieprawidłowy");
inline const std::string kStatusChanged = cp1250FromUtf8("rekord prawidłowy, zmieniony przez korektę");
inline const std::string kStatusUnchanged = cp1250FromUtf8("rekord prawidłowy, bez zmian");

// The code pages' long names, in the list's order.
inline const std::array<std::string, 9> kCodePageLongNames = {
    cp1250FromUtf8("MAZOVIA — Mazovia, polska strona kodowa DOS"),
    cp1250FromUtf8("ISO_LATIN2 — ISO 8859-2, Latin 2"),
    cp1250FromUtf8("CSK — polska strona kodowa CSK"),
    cp1250FromUtf8("CYFROMAT — polska strona kodowa Cyfromat"),
    cp1250FromUtf8("DHN — polska strona kodowa DHN"),
    cp1250FromUtf8("IBM_LATIN2 — CP852, DOS Latin 2"),
    cp1250FromUtf8("VENTURA — polska strona kodowa Ventura"),
    cp1250FromUtf8("WINDOWS_EE — CP1250, Windows Europa Środkowa"),
    cp1250FromUtf8("UTF-8 — Unicode UTF-8")};

} // namespace quarvel::texts
