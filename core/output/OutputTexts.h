#pragma once

// The Polish texts of saving and of the log report, in Windows-1250.

#include "Windows1250.h"

#include <string>

namespace quarvel::texts {

inline const std::string kOutputSuffix = "_doVexa.txt";
inline const std::string kHeaderContractors = "Kontrahenci|";
inline const std::string kHeaderOrders = "Zlecenia|";
inline const std::string kSaved = cp1250FromUtf8("Dane zostały zapisane do pliku: ");
inline const std::string kOutputIsInput =
    cp1250FromUtf8("Plik wyjściowy byłby tym samym plikiem co plik wejściowy, więc nie został zapisany: ");
inline const std::string kOutOfMemoryForLog = cp1250FromUtf8("Za mało pamięci, aby zbudować raport LOG.");
// What messages call the files of a command when another would take their place.
inline const std::string kInputFileRole = cp1250FromUtf8("plik wejściowy");
inline const std::string kOutputFileRole = cp1250FromUtf8("plik wyjściowy");
inline const std::string kLogFileRole = cp1250FromUtf8("plik LOG");
inline const std::string kRejectedFileRole = cp1250FromUtf8("plik odrzuconych wierszy");

// Writing the rejected lines again from the input.
inline const std::string kInputChangedSinceLoad = cp1250FromUtf8("Plik wejściowy zmienił się od wczytania: ");
inline const std::string kCannotReadInput = cp1250FromUtf8("Błąd odczytu pliku wejściowego: ");
inline const std::string kRejectedNotWritten = cp1250FromUtf8("Odrzucone wiersze nie zostały zapisane.");

inline const std::string kLogStatistics = "Statystyki";
inline const std::string kLogAllRecords = cp1250FromUtf8("Ilość wszystkich danych wejściowych: ");
inline const std::string kLogSkipped =
    cp1250FromUtf8("Ilość błędnych danych pominiętych przy zapisie do nowego zbioru wyjściowego: ");
inline const std::string kLogWritten = cp1250FromUtf8("Ilość danych zapisanych do nowego zbioru wyjściowego: ");
inline const std::string kLogDetails =
    cp1250FromUtf8("Szczegółowy opis błędnych linii, które zostały pominięte w pliku wyjściowym:");
inline const std::string kLogErrorsForLine = cp1250FromUtf8("Błędy dla linii: ");
inline const std::string kLogLineErrors = cp1250FromUtf8("Błędy dla całej linii: ");
inline const std::string kLogFieldErrors = cp1250FromUtf8("Błędy w polach dla linii: ");
inline const std::string kLogNoErrors = cp1250FromUtf8("BRAK BŁĘDÓW W PLIKU WEJŚCIOWYCH. NIE POMINIĘTO ŻADNEJ LINII");
inline const std::string kLogEnd = "Koniec pliku LOG";

} // namespace quarvel::texts
