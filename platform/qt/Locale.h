#pragma once
// Locale conversions over QLocale::system(). The formats that write the entry table are the
// ones that read it back for sorting, so every text made here converts back.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <cstdint>
#include <optional>

namespace platform {

QString shortDateFormat(); // the locale's short date pattern
QString shortTimeFormat(); // the locale's short time pattern
QString shortDateText(const QDate& date);
QString shortTimeText(const QTime& time);
// "ddddd  t": short date, two spaces, short time.
QString dateTimeText(const QDateTime& dateTime);

// An MS-DOS date (high 16 bits) and time (low 16 bits); nullopt when the date or the time is
// not a valid calendar value.
std::optional<QDateTime> dosDateTime(std::uint32_t dosDateTime);
// The table's text of an MS-DOS date and time, as dateTimeText(*dosDateTime(value)) writes
// it, or an empty text when it is not a valid calendar value. Made without a time-zone
// lookup, once per entry of a long listing.
QString dosDateTimeText(std::uint32_t dosDateTime);
// The date and time that dosDateTimeText writes (short date, two spaces, short time), read
// straight from the value's fields; false when it is not a valid calendar value.
bool dosDateAndTime(std::uint32_t dosDateTime, QDate& date, QTime& time);

// Text-to-value conversions used by the grid's sort detection; nullopt when the text is not
// one. Number: an integer or a decimal in the locale's or the C form. Time: the short time
// form (or hh:mm[:ss]). Date-time: a date in the short form, optionally followed by a time.
std::optional<double> textToNumber(const QString& text);
std::optional<QTime> textToTime(const QString& text);
std::optional<QDateTime> textToDateTime(const QString& text);

} // namespace platform
