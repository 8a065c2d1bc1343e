#include "zipformat/DosTime.h"

namespace zipformat {

std::uint32_t toDosTime(std::time_t t) {
    std::tm tm{};
    if (!localtime_r(&t, &tm) || tm.tm_year < 80)
        return (0u << 25 | 1u << 21 | 1u << 16); // 1980-01-01 00:00:00
    if (tm.tm_year > 207)
        return (127u << 25 | 12u << 21 | 31u << 16 | 23u << 11 | 59u << 5 | 29u);
    const auto date =
        static_cast<std::uint32_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    const auto time =
        static_cast<std::uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    return date << 16 | time;
}

std::time_t fromDosTime(std::uint32_t dos) {
    std::tm tm{};
    const std::uint32_t date = dos >> 16, time = dos & 0xFFFF;
    tm.tm_year = static_cast<int>((date >> 9) & 0x7F) + 80;
    tm.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
    tm.tm_mday = static_cast<int>(date & 0x1F);
    tm.tm_hour = static_cast<int>((time >> 11) & 0x1F);
    tm.tm_min = static_cast<int>((time >> 5) & 0x3F);
    tm.tm_sec = static_cast<int>((time & 0x1F) * 2);
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

} // namespace zipformat
