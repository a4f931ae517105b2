#include "core/document/LocalDate.h"

#include <ctime>

namespace kyq {

LocalDate TodayLocal()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr)
        return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

void StampChanged(PasswordEntry& record, const LocalDate& date)
{
    record.ChangedYear = static_cast<int16_t>(date.Year);
    record.ChangedMonth = static_cast<uint8_t>(date.Month);
    record.ChangedDay = static_cast<uint8_t>(date.Day);
}

}  // namespace kyq
