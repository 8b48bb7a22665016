#pragma once

// The Polish texts of loading, in Windows-1250.

#include "Windows1250.h"

#include <string>

namespace quarvel::texts {

inline const std::string kNoDataInLine = cp1250FromUtf8("Brak danych w linii nr ");
inline const std::string kTooManyFieldsInLine = cp1250FromUtf8("Zbyt duża ilość pól w linii nr ");
inline const std::string kNoHeaderKeyword =
    cp1250FromUtf8("W nagłówku zbioru nie znaleziono słowa kluczowego \"KONTRAHENCI\" lub \"ZLECENIA\"");
inline const std::string kLoadAborted = cp1250FromUtf8("Wczytywanie pliku przerwane!");
inline const std::string kCannotOpenFile = cp1250FromUtf8("Nie można otworzyć pliku: ");
inline const std::string kCannotReadFile = cp1250FromUtf8("Błąd odczytu pliku: ");
inline const std::string kOutOfMemory = cp1250FromUtf8("Za mało pamięci, aby wczytać plik: ");
inline const std::string kUnreadTailMark = cp1250FromUtf8("Znak końca pliku (0x1A) na początku linii nr ");
inline const std::string kUnreadTailEnded = cp1250FromUtf8(" zakończył wczytywanie pliku: ");
inline const std::string kUnreadTailSkipped = cp1250FromUtf8("Pominięto dalszą część pliku, bajtów: ");
inline const std::string kTiedCodePages =
    cp1250FromUtf8("Strona kodowa rozpoznana przy remisie liczby polskich liter (");
inline const std::string kTiedCodePagesAdvice =
    cp1250FromUtf8("); sprawdź polskie litery albo podaj stronę kodową (--code-page)");
inline const std::string kOutOfMemoryRerun =
    cp1250FromUtf8("Za mało pamięci, aby ponownie poprawić i sprawdzić dane pliku: ");

inline const std::string kKindNone = "BRAK";
inline const std::string kKindContractors = "KONTRAHENCI";
inline const std::string kKindOrders = "ZLECENIA";

} // namespace quarvel::texts
