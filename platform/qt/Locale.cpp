#include "platform/qt/Locale.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>
#include <cmath>

namespace platform {

namespace {

// The locale the program formats and reads with: the system's, unless a default has been set
// (tests set one to check other conventions).
QLocale locale() {
    return QLocale();
}

// A two-digit year pattern ("yy") is widened to four digits: a short year cannot be read back
// unambiguously, and dates of archive entries span more than one century.
QString widenYear(QString format) {
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(shortYear, QStringLiteral("yyyy"));
    return format;
}

// Two-digit years read as 1930 to 2029, the window Windows uses by default.
QDate applyCenturyWindow(QDate date) {
    if (date.isValid() && date.year() < 1930)
        return date.addYears(100);
    return date;
}

// A date in the locale's short form (four-digit or two-digit year), else in the C locale's
// short form or ISO 8601.
std::optional<QDate> parseDate(const QString& text) {
    const QLocale l = locale();
    const QString localeFormat = l.dateFormat(QLocale::ShortFormat);
    const QDate candidates[] = {
        l.toDate(text, shortDateFormat()),
        applyCenturyWindow(l.toDate(text, localeFormat)),
        QLocale::c().toDate(text, QLocale::c().dateFormat(QLocale::ShortFormat)),
        QLocale::c().toDate(text, QStringLiteral("yyyy-MM-dd")),
    };
    for (const QDate& d : candidates)
        if (d.isValid())
            return d;
    return std::nullopt;
}

} // namespace

QString shortDateFormat() {
    return widenYear(locale().dateFormat(QLocale::ShortFormat));
}

QString shortTimeFormat() {
    return locale().timeFormat(QLocale::ShortFormat);
}

QString shortDateText(const QDate& date) {
    return locale().toString(date, shortDateFormat());
}

QString shortTimeText(const QTime& time) {
    return locale().toString(time, shortTimeFormat());
}

QString dateTimeText(const QDateTime& dateTime) {
    if (!dateTime.isValid())
        return {};
    return shortDateText(dateTime.date()) + QStringLiteral("  ") + shortTimeText(dateTime.time());
}

std::optional<QDateTime> dosDateTime(std::uint32_t value) {
    const int year = 1980 + static_cast<int>((value >> 25) & 0x7f);
    const int month = static_cast<int>((value >> 21) & 0x0f);
    const int day = static_cast<int>((value >> 16) & 0x1f);
    const int hour = static_cast<int>((value >> 11) & 0x1f);
    const int minute = static_cast<int>((value >> 5) & 0x3f);
    const int second = 2 * static_cast<int>(value & 0x1f);
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second))
        return std::nullopt;
    QDateTime result(QDate(year, month, day), QTime(hour, minute, second));
    if (!result.isValid()) // a wall-clock time skipped by a daylight-saving change
        result = QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc());
    return result;
}

std::optional<double> textToNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    double value = locale().toDouble(t, &ok);
    if (!ok)
        value = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<QTime> textToTime(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QLocale l = locale();
    for (const QString& f : {shortTimeFormat(), l.timeFormat(QLocale::LongFormat),
                             QStringLiteral("H:mm:ss"), QStringLiteral("H:mm")}) {
        const QTime time = l.toTime(t, f);
        if (time.isValid())
            return time;
        const QTime cTime = QLocale::c().toTime(t, f);
        if (cTime.isValid())
            return cTime;
    }
    return std::nullopt;
}

std::optional<QDateTime> textToDateTime(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (auto date = parseDate(t))
        return QDateTime(*date, QTime(0, 0));
    // "date  time" as written by dateTimeText, or "date time": try every split at a space.
    for (qsizetype i = t.indexOf(QLatin1Char(' ')); i > 0; i = t.indexOf(QLatin1Char(' '), i + 1)) {
        const auto date = parseDate(t.left(i).trimmed());
        if (!date)
            continue;
        if (const auto time = textToTime(t.mid(i + 1)))
            return QDateTime(*date, *time);
    }
    return std::nullopt;
}

} // namespace platform
