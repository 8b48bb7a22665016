#pragma once

// The Polish texts of the field and content checks, in Windows-1250.

#include "Windows1250.h"

#include <string>

namespace quarvel::texts {

inline const std::string kRequiredEmpty = cp1250FromUtf8("Wymagane pole jest puste");
inline const std::string kTooLongPrefix = cp1250FromUtf8("Pole posiada zbyt dużą ilość znaków = ");
inline const std::string kTooLongMaximum = cp1250FromUtf8(". Maksymalna ilość dla tego pola = ");
inline const std::string kNotPermittedChars = cp1250FromUtf8("Pole zawiera znaki niezgodne z Windows");
inline const std::string kBadNrb = cp1250FromUtf8("Nieprawidłowy numer NRB");
inline const std::string kBadNrbCheckDigits = cp1250FromUtf8("Nieprawidłowe cyfry kontrolne numeru NRB");
inline const std::string kBadDate = cp1250FromUtf8("Nieprawidłowy format daty");
inline const std::string kBadAmount = cp1250FromUtf8("Nieprawidłowa kwota zlecenia");
inline const std::string kCurrency = " PLN";

} // namespace quarvel::texts
