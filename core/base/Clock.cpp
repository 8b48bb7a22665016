#include "Clock.h"

#include "Platform.h"

#include <ctime>

namespace quarvel {

std::chrono::year_month_day SystemClock::today() const {
    const std::time_t now = std::time(nullptr);
    const std::tm local = platform::localTime(now);
    return std::chrono::year_month_day{std::chrono::year{local.tm_year + 1900},
                                       std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                       std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
}

const SystemClock& SystemClock::instance() {
    static const SystemClock clock;
    return clock;
}

} // namespace quarvel
