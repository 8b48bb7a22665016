#pragma once

// The Polish texts of saving and of the log report, in Windows-1250.

#include "Windows1250.h"

#include <string>

namespace quarvel::texts {

inline const std::string kOutputSuffix = "_doVexa.txt";
inline const std::string kHeaderContractors = "Kontrahenci|";
inline const std::string kHeaderOrders = "Zlecenia|";
inline const std::string kSaved = Cp1250FromUtf8("Dane zostały zapisane do pliku: ");
inline const std::string kOutputIsInput =
    Cp1250FromUtf8("Plik wyjściowy byłby tym samym plikiem co plik wejściowy, więc nie został zapisany: ");
inline const std::string kOutOfMemoryForLog = Cp1250FromUtf8("Za mało pamięci, aby zbudować raport LOG.");
// What messages call the files of a command when another would take their place.
inline const std::string kInputFileRole = Cp1250FromUtf8("plik wejściowy");
inline const std::string kOutputFileRole = Cp1250FromUtf8("plik wyjściowy");
inline const std::string kLogFileRole = Cp1250FromUtf8("plik LOG");
inline const std::string kRejectedFileRole = Cp1250FromUtf8("plik odrzuconych wierszy");

// Writing the rejected lines again from the input.
inline const std::string kInputChangedSinceLoad = Cp1250FromUtf8("Plik wejściowy zmienił się od wczytania: ");
inline const std::string kCannotReadInput = Cp1250FromUtf8("Błąd odczytu pliku wejściowego: ");
inline const std::string kRejectedNotWritten = Cp1250FromUtf8("Odrzucone wiersze nie zostały zapisane.");

inline const std::string kLogStatistics = "Statystyki";
inline const std::string kLogAllRecords = Cp1250FromUtf8("Ilość wszystkich danych wejściowych: ");
inline const std::string kLogSkipped =
    Cp1250FromUtf8("Ilość błędnych danych pominiętych przy zapisie do nowego zbioru wyjściowego: ");
inline const std::string kLogWritten = Cp1250FromUtf8("Ilość danych zapisanych do nowego zbioru wyjściowego: ");
inline const std::string kLogDetails =
    Cp1250FromUtf8("Szczegółowy opis błędnych linii, które zostały pominięte w pliku wyjściowym:");
inline const std::string kLogErrorsForLine = Cp1250FromUtf8("Błędy dla linii: ");
inline const std::string kLogLineErrors = Cp1250FromUtf8("Błędy dla całej linii: ");
inline const std::string kLogFieldErrors = Cp1250FromUtf8("Błędy w polach dla linii: ");
inline const std::string kLogNoErrors = Cp1250FromUtf8("BRAK BŁĘDÓW W PLIKU WEJŚCIOWYCH. NIE POMINIĘTO ŻADNEJ LINII");
inline const std::string kLogEnd = "Koniec pliku LOG";

} // namespace quarvel::texts
