#include "platform/qt/Locale.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>
#include <QVarLengthArray>
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

// Writes dates and times in one pattern without asking QLocale to read the pattern again for
// every text: the pattern is split once into numeric fields, month and day names, AM/PM
// markers and literal runs. A pattern with anything else (quoted text, time zones) or a
// locale with digits other than 0-9 is left to QLocale, so every text is the one QLocale
// writes.
class PatternWriter {
public:
    // A text being written, kept on the stack until it is whole.
    using Text = QVarLengthArray<QChar, 64>;

    PatternWriter(const QLocale& l, const QString& pattern) {
        ok_ = l.zeroDigit() == QStringLiteral("0") && compile(pattern);
        for (int k = 1; k <= 12; ++k) {
            monthNames_[0][k - 1] = l.monthName(k, QLocale::ShortFormat);
            monthNames_[1][k - 1] = l.monthName(k, QLocale::LongFormat);
        }
        for (int k = 1; k <= 7; ++k) {
            dayNames_[0][k - 1] = l.dayName(k, QLocale::ShortFormat);
            dayNames_[1][k - 1] = l.dayName(k, QLocale::LongFormat);
        }
        amUpper_ = l.amText().toUpper();
        pmUpper_ = l.pmText().toUpper();
        amLower_ = l.amText().toLower();
        pmLower_ = l.pmText().toLower();
    }

    bool usable() const { return ok_; }

    // Appends the text of the given fields; a date pattern reads only the date fields, a
    // time pattern only the time fields.
    void write(Text& out, int year, int month, int day, int hour, int minute, int second) const {
        for (const Token& t : tokens_) {
            switch (t.field) {
            case u'\0':
                append(out, t.literal);
                break;
            case u'y':
                number(out, t.width == 2 ? year % 100 : year, t.width);
                break;
            case u'M':
                if (t.width <= 2)
                    number(out, month, t.width);
                else
                    append(out, monthNames_[t.width - 3][month - 1]);
                break;
            case u'd':
                if (t.width <= 2)
                    number(out, day, t.width);
                else
                    append(out, dayNames_[t.width - 3][QDate(year, month, day).dayOfWeek() - 1]);
                break;
            case u'H':
                number(out, hour, t.width);
                break;
            case u'h':
                number(out, twelveHour_ ? (hour + 11) % 12 + 1 : hour, t.width);
                break;
            case u'm':
                number(out, minute, t.width);
                break;
            case u's':
                number(out, second, t.width);
                break;
            case u'A':
                append(out, hour < 12 ? amUpper_ : pmUpper_);
                break;
            case u'a':
                append(out, hour < 12 ? amLower_ : pmLower_);
                break;
            }
        }
    }

private:
    struct Token {
        char16_t field; // 0 for a literal run
        int width;
        QString literal;
    };

    static void append(Text& out, const QString& text) {
        out.append(text.constData(), text.size());
    }

    // VALUE (0 to 9999) in at least WIDTH digits.
    static void number(Text& out, int value, int width) {
        char16_t digits[4];
        int n = 0;
        do {
            digits[n++] = char16_t(u'0' + value % 10);
            value /= 10;
        } while (value > 0 && n < 4);
        for (int k = n; k < width; ++k)
            out.append(QChar(u'0'));
        while (n > 0)
            out.append(QChar(digits[--n]));
    }

    bool compile(const QString& pattern) {
        for (qsizetype i = 0; i < pattern.size();) {
            const QChar c = pattern[i];
            qsizetype n = 1;
            while (i + n < pattern.size() && pattern[i + n] == c)
                ++n;
            const char16_t u = c.unicode();
            if (u == u'A' || u == u'a') {
                // "AP", "ap", "A" or "a": the upper- or lower-case AM/PM text.
                const bool pair =
                    i + 1 < pattern.size() && (pattern[i + 1] == u'P' || pattern[i + 1] == u'p');
                if (n > 1)
                    return false;
                tokens_.push_back({u, 1, {}});
                twelveHour_ = true;
                i += pair ? 2 : 1;
                continue;
            }
            const bool field = u == u'y' || u == u'M' || u == u'd' || u == u'H' || u == u'h' ||
                               u == u'm' || u == u's';
            if (field) {
                const bool widthOk = u == u'y'                  ? (n == 2 || n == 4)
                                     : (u == u'M' || u == u'd') ? n <= 4
                                                                : n <= 2;
                if (!widthOk)
                    return false;
                tokens_.push_back({u, int(n), {}});
            } else if (c.isLetter() || u == u'\'') {
                return false;
            } else {
                tokens_.push_back({0, 0, QString(n, c)});
            }
            i += n;
        }
        return !tokens_.empty();
    }

    std::vector<Token> tokens_;
    bool ok_ = false;
    bool twelveHour_ = false;
    QString amUpper_, pmUpper_, amLower_, pmLower_;
    QString monthNames_[2][12]; // short, long
    QString dayNames_[2][7];    // short, long; Monday first
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
    std::optional<PatternWriter> dateWriter, timeWriter;

    explicit Formats(const QLocale& l) : locale(l) {
        const QLocale c = QLocale::c();
        const QString localeDate = l.dateFormat(QLocale::ShortFormat);
        shortDate = widenYear(localeDate);
        shortTime = l.timeFormat(QLocale::ShortFormat);
        dateWriter.emplace(l, shortDate);
        timeWriter.emplace(l, shortTime);

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

namespace {

// The fields of an MS-DOS date (high 16 bits) and time (low 16 bits); nothing when they are
// not a valid calendar value.
struct DosFields {
    int year, month, day, hour, minute, second;
};

std::optional<DosFields> dosFields(std::uint32_t value) {
    const DosFields f{
        1980 + static_cast<int>((value >> 25) & 0x7f), static_cast<int>((value >> 21) & 0x0f),
        static_cast<int>((value >> 16) & 0x1f),        static_cast<int>((value >> 11) & 0x1f),
        static_cast<int>((value >> 5) & 0x3f),         2 * static_cast<int>(value & 0x1f)};
    if (!QDate::isValid(f.year, f.month, f.day) || !QTime::isValid(f.hour, f.minute, f.second))
        return std::nullopt;
    return f;
}

} // namespace

std::optional<QDateTime> dosDateTime(std::uint32_t value) {
    const std::optional<DosFields> f = dosFields(value);
    if (!f)
        return std::nullopt;
    const QDate date(f->year, f->month, f->day);
    const QTime time(f->hour, f->minute, f->second);
    QDateTime result(date, time);
    if (!result.isValid()) // a wall-clock time skipped by a daylight-saving change
        result = QDateTime(date, time, QTimeZone::utc());
    return result;
}

QString dosDateTimeText(std::uint32_t value) {
    const std::optional<DosFields> d = dosFields(value);
    if (!d)
        return {};
    const Formats& f = formats();
    if (!f.dateWriter->usable() || !f.timeWriter->usable())
        return dateTimeText(QDateTime(QDate(d->year, d->month, d->day),
                                      QTime(d->hour, d->minute, d->second), QTimeZone::utc()));
    PatternWriter::Text text;
    f.dateWriter->write(text, d->year, d->month, d->day, d->hour, d->minute, d->second);
    text.append(QChar(u' '));
    text.append(QChar(u' '));
    f.timeWriter->write(text, d->year, d->month, d->day, d->hour, d->minute, d->second);
    return QString(text.constData(), text.size());
}

bool dosDateAndTime(std::uint32_t value, QDate& date, QTime& time) {
    const std::optional<DosFields> d = dosFields(value);
    if (!d)
        return false;
    date = QDate(d->year, d->month, d->day);
    time = QTime(d->hour, d->minute, d->second);
    return true;
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
