#include "platform/qt/Locale.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>
#include <cmath>
#include <memory>
#include <vector>

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

// True when FORMAT has a numeric field (year, hour, minute or second) outside its quoted
// literals: a text without any digit can never match it.
bool needsDigit(const QString& format) {
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && QStringView(u"yhHms").contains(c))
            return true;
    }
    return false;
}

// The literal parts of FORMAT that a matching text must hold, in their order: the runs of
// characters outside quotes that are neither letters nor quotes. The parser matches a
// format's separators exactly, so a text lacking one of these runs cannot match; quoted
// texts and letters are left out, which only makes the test weaker.
QStringList literalRuns(const QString& format) {
    QStringList runs;
    QString run;
    bool quoted = false;
    for (const QChar c : format) {
        const bool letter = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                            (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
        if (c == QLatin1Char('\'') || quoted || letter) {
            if (c == QLatin1Char('\''))
                quoted = !quoted;
            if (!run.isEmpty())
                runs << run;
            run.clear();
            continue;
        }
        run += c;
    }
    if (!run.isEmpty())
        runs << run;
    return runs;
}

bool holdsInOrder(QStringView text, const QStringList& runs) {
    qsizetype from = 0;
    for (const QString& run : runs) {
        const qsizetype at = text.indexOf(run, from);
        if (at < 0)
            return false;
        from = at + run.size();
    }
    return true;
}

bool hasDigit(QStringView text) {
    for (const QChar c : text)
        if (c.isDigit())
            return true;
    return false;
}

// One way of reading a text: a locale and a format.
struct Reader {
    QLocale locale;
    QString format;
    bool needsDigit = false;
    QStringList literals;       // literalRuns(format)
    bool centuryWindow = false; // a date read with a two-digit year

    // False when the text cannot match the format; true when it may.
    bool mayMatch(QStringView text, bool textHasDigit) const {
        return (textHasDigit || !needsDigit) && holdsInOrder(text, literals);
    }
};

// The locale's formats and the readers built from them. Reading a table of thousands of
// cells asks for the same formats every time, so they are looked up once per locale; the
// readers that could only repeat an earlier one (the same format in the same locale) are
// left out, which changes no result.
struct Formats {
    QLocale locale;
    QString shortDate; // with the year widened
    QString shortTime;
    std::vector<Reader> dateReaders;
    std::vector<Reader> timeReaders;

    explicit Formats(const QLocale& l) : locale(l) {
        const QLocale c = QLocale::c();
        const QString localeDate = l.dateFormat(QLocale::ShortFormat);
        shortDate = widenYear(localeDate);
        shortTime = l.timeFormat(QLocale::ShortFormat);

        // A date in the locale's short form (four-digit or two-digit year), else in the C
        // locale's short form or ISO 8601.
        addReader(dateReaders, l, shortDate, false);
        addReader(dateReaders, l, localeDate, true);
        addReader(dateReaders, c, c.dateFormat(QLocale::ShortFormat), false);
        addReader(dateReaders, c, QStringLiteral("yyyy-MM-dd"), false);

        // A time in the short or long form, or as H:mm[:ss]; each in the locale, then in C.
        for (const QString& f : {shortTime, l.timeFormat(QLocale::LongFormat),
                                 QStringLiteral("H:mm:ss"), QStringLiteral("H:mm")}) {
            addReader(timeReaders, l, f, false);
            addReader(timeReaders, c, f, false);
        }
    }

    static void addReader(std::vector<Reader>& readers, const QLocale& l, const QString& format,
                          bool centuryWindow) {
        for (const Reader& r : readers)
            if (r.locale == l && r.format == format)
                return; // an earlier reader gives the same answer first
        readers.push_back({l, format, needsDigit(format), literalRuns(format), centuryWindow});
    }
};

// The formats of the locale in use now, rebuilt when the locale changes.
const Formats& formats() {
    thread_local std::unique_ptr<Formats> cached;
    const QLocale current = locale();
    if (!cached || !(cached->locale == current))
        cached = std::make_unique<Formats>(current);
    return *cached;
}

std::optional<QDate> parseDate(const Formats& f, const QString& text) {
    const bool digits = hasDigit(text);
    for (const Reader& r : f.dateReaders) {
        if (!r.mayMatch(text, digits))
            continue;
        QDate d = r.locale.toDate(text, r.format);
        if (r.centuryWindow)
            d = applyCenturyWindow(d);
        if (d.isValid())
            return d;
    }
    return std::nullopt;
}

std::optional<QTime> parseTime(const Formats& f, const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const bool digits = hasDigit(t);
    for (const Reader& r : f.timeReaders) {
        if (!r.mayMatch(t, digits))
            continue;
        const QTime time = r.locale.toTime(t, r.format);
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

} // namespace

QString shortDateFormat() {
    return formats().shortDate;
}

QString shortTimeFormat() {
    return formats().shortTime;
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
    return parseTime(formats(), text);
}

std::optional<QDateTime> textToDateTime(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const Formats& f = formats();
    if (auto date = parseDate(f, t))
        return QDateTime(*date, QTime(0, 0));
    // "date  time" as written by dateTimeText, or "date time": try every split at a space.
    for (qsizetype i = t.indexOf(QLatin1Char(' ')); i > 0; i = t.indexOf(QLatin1Char(' '), i + 1)) {
        const auto date = parseDate(f, t.left(i).trimmed());
        if (!date)
            continue;
        if (const auto time = parseTime(f, t.mid(i + 1)))
            return QDateTime(*date, *time);
    }
    return std::nullopt;
}

} // namespace platform
