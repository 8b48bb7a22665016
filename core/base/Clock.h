#pragma once

#include <chrono>

namespace quarvel {

/// Where the tool learns today's date; tests fix it.
class Clock {
public:
    virtual ~Clock() = default;
    /// Today's date in the machine's local time.
    virtual std::chrono::year_month_day today() const = 0;
};

/// The machine's local date.
class SystemClock final : public Clock {
public:
    std::chrono::year_month_day today() const override;
    static const SystemClock& instance();
};

/// A clock that always answers the same date.
class FixedClock final : public Clock {
public:
    explicit FixedClock(std::chrono::year_month_day date) : m_date(date) {}
    std::chrono::year_month_day today() const override { return m_date; }

private:
    std::chrono::year_month_day m_date;
};

} // namespace quarvel
