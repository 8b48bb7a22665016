#pragma once

// The Polish texts of loading, in Windows-1250.

#include "Windows1250.h"

#include <string>

namespace quarvel::texts {

inline const std::string kNoDataInLine = Cp1250FromUtf8("Brak danych w linii nr ");
inline const std::string kTooManyFieldsInLine = Cp1250FromUtf8("Zbyt duża ilość pól w linii nr ");
inline const std::string kNoHeaderKeyword =
    Cp1250FromUtf8("W nagłówku zbioru nie znaleziono słowa kluczowego \"KONTRAHENCI\" lub \"ZLECENIA\"");
inline const std::string kLoadAborted = Cp1250FromUtf8("Wczytywanie pliku przerwane!");
inline const std::string kCannotOpenFile = Cp1250FromUtf8("Nie można otworzyć pliku: ");
inline const std::string kCannotReadFile = Cp1250FromUtf8("Błąd odczytu pliku: ");
inline const std::string kOutOfMemory = Cp1250FromUtf8("Za mało pamięci, aby wczytać plik: ");
inline const std::string kUnreadTailMark = Cp1250FromUtf8("Znak końca pliku (0x1A) na początku linii nr ");
inline const std::string kUnreadTailEnded = Cp1250FromUtf8(" zakończył wczytywanie pliku: ");
inline const std::string kUnreadTailSkipped = Cp1250FromUtf8("Pominięto dalszą część pliku, bajtów: ");
inline const std::string kTiedCodePages =
    Cp1250FromUtf8("Strona kodowa rozpoznana przy remisie liczby polskich liter (");
inline const std::string kTiedCodePagesAdvice =
    Cp1250FromUtf8("); sprawdź polskie litery albo podaj stronę kodową (--code-page)");
inline const std::string kOutOfMemoryRerun =
    Cp1250FromUtf8("Za mało pamięci, aby ponownie poprawić i sprawdzić dane pliku: ");

inline const std::string kKindNone = "BRAK";
inline const std::string kKindContractors = "KONTRAHENCI";
inline const std::string kKindOrders = "ZLECENIA";

} // namespace quarvel::texts
