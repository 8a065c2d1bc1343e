#include "controls/SortingGrid.h"

#include "platform/Errors.h"
#include "platform/qt/Locale.h"
#include "platform/qt/WaitCursor.h"

#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QSaveFile>
#include <QScrollBar>
#include <QStringDecoder>
#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

namespace {

// Upper-cases the ASCII letters a-z only; every other character stays as it is.
QString asciiUpper(const QString& text) {
    QString out = text;
    QChar* p = out.data();
    for (qsizetype i = 0; i < out.size(); ++i)
        if (p[i] >= u'a' && p[i] <= u'z')
            p[i] = QChar(p[i].unicode() - 32);
    return out;
}

int sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

template <typename T> int compareValues(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Byte-wise comparison of the texts' 8-bit (UTF-8) forms; a proper prefix sorts first.
int compareBytes(const QByteArray& a, const QByteArray& b) {
    const qsizetype n = std::min(a.size(), b.size());
    const int c = n ? std::memcmp(a.constData(), b.constData(), size_t(n)) : 0;
    if (c != 0)
        return sign(c);
    return compareValues(a.size(), b.size());
}

// A date and time as one wall-clock number (milliseconds since the Julian day epoch), so that
// no time-zone rule can make two different clock readings equal or invalid.
std::int64_t wallClock(const QDate& date, const QTime& time) {
    return date.toJulianDay() * std::int64_t(86400000) + time.msecsSinceStartOfDay();
}

// ---------------------------------------------------------------------------------------------
// Fast reading of the locale's own short date and time forms.
//
// The entry table writes its dates with the locale's short patterns, and a sort converts every
// row, so the general conversions (which try several patterns per text) would dominate sorting
// a large table. This reader understands the numeric and month-name fields of those patterns;
// it is strict (a text it accepts is one the general conversion reads to the same value) and
// reports "don't know" for anything else, which then goes to the general conversion.
class ShortFormReader {
public:
    ShortFormReader() {
        const QLocale l;
        dateOk_ = compile(platform::shortDateFormat(), date_);
        timeOk_ = compile(platform::shortTimeFormat(), time_);
        for (int m = 1; m <= 12; ++m) {
            shortMonths_.append(l.monthName(m, QLocale::ShortFormat));
            longMonths_.append(l.monthName(m, QLocale::LongFormat));
        }
        am_ = l.amText();
        pm_ = l.pmText();
        readsBack_ = checkReadsBack(l);
    }

    // True when every text of a date and time that the locale's short forms write (a date, two
    // spaces, a time: platform::dateTimeText) with a year of four digits is read back here
    // field for field, so that a date and time can be read without its text (readBack).
    bool readsBack() const { return readsBack_; }
    // What dateTime() reads from that text of DATE and TIME: the fields the forms do not show
    // (seconds, most often) are zero.
    std::int64_t readBack(const QDate& date, const QTime& time) const {
        return wallClock(date, QTime(time.hour(), showsMinute_ ? time.minute() : 0,
                                     showsSecond_ ? time.second() : 0));
    }

    // nullopt: not read here (the general conversion decides).
    std::optional<QTime> time(const QString& text) const {
        if (!timeOk_)
            return std::nullopt;
        Fields f;
        qsizetype pos = 0;
        const QStringView t = QStringView(text).trimmed();
        if (!run(time_, t, pos, f) || pos != t.size())
            return std::nullopt;
        return makeTime(f);
    }

    // The date and time as a wall-clock number (see wallClock): no time zone is consulted.
    std::optional<std::int64_t> dateTime(const QString& text) const {
        if (!dateOk_ || !timeOk_)
            return std::nullopt;
        const QStringView t = QStringView(text).trimmed();
        Fields f;
        qsizetype pos = 0;
        if (!run(date_, t, pos, f))
            return std::nullopt;
        const std::optional<QDate> date = makeDate(f);
        if (!date)
            return std::nullopt;
        if (pos == t.size())
            return wallClock(*date, QTime(0, 0));
        if (t[pos] != u' ')
            return std::nullopt;
        while (pos < t.size() && t[pos] == u' ')
            ++pos;
        Fields tf;
        if (!run(time_, t, pos, tf) || pos != t.size())
            return std::nullopt;
        const std::optional<QTime> time = makeTime(tf);
        if (!time)
            return std::nullopt;
        return wallClock(*date, *time);
    }

private:
    enum class Kind {
        Literal,
        Day,
        Month,
        MonthShort,
        MonthLong,
        Year4,
        Hour,
        Minute,
        Second,
        AmPm
    };
    struct Token {
        Kind kind;
        int minDigits = 1, maxDigits = 2;
        QString literal = {};
        bool twelveHour = false;
        static Token of(Kind k, int minDigits = 1, int maxDigits = 2) {
            Token t{k};
            t.minDigits = minDigits;
            t.maxDigits = maxDigits;
            return t;
        }
    };
    struct Fields {
        int day = -1, month = -1, year = -1, hour = -1, minute = 0, second = 0, ampm = -1;
        bool twelveHour = false;
    };

    static bool compile(const QString& format, std::vector<Token>& out) {
        const bool hasAmPm = format.contains(u'a', Qt::CaseInsensitive);
        for (qsizetype i = 0; i < format.size();) {
            const QChar c = format[i];
            qsizetype n = 1;
            while (i + n < format.size() && format[i + n] == c)
                ++n;
            Token t = Token::of(Kind::Literal);
            if (c == u'\'') {
                return false; // quoted text: left to the general conversion
            } else if (c == u'd') {
                if (n > 2)
                    return false; // day names
                t = Token::of(Kind::Day, int(n), 2);
            } else if (c == u'M') {
                if (n == 3)
                    t = Token::of(Kind::MonthShort);
                else if (n == 4)
                    t = Token::of(Kind::MonthLong);
                else if (n <= 2)
                    t = Token::of(Kind::Month, int(n), 2);
                else
                    return false;
            } else if (c == u'y') {
                if (n != 4)
                    return false;
                t = Token::of(Kind::Year4, 4, 4);
            } else if (c == u'h' || c == u'H') {
                if (n > 2)
                    return false;
                t = Token::of(Kind::Hour, int(n), 2);
                t.twelveHour = c == u'h' && hasAmPm;
            } else if (c == u'm') {
                if (n > 2)
                    return false;
                t = Token::of(Kind::Minute, int(n), 2);
            } else if (c == u's') {
                if (n > 2)
                    return false;
                t = Token::of(Kind::Second, int(n), 2);
            } else if (c == u'A' || c == u'a') {
                if (n == 2 ||
                    (i + 1 < format.size() && (format[i + 1] == u'P' || format[i + 1] == u'p'))) {
                    n = 2;
                }
                t = Token::of(Kind::AmPm);
            } else if (c.isLetter()) {
                return false; // time zones, milliseconds, eras...
            } else {
                t.literal = QString(n, c);
            }
            out.push_back(t);
            i += n;
        }
        return !out.empty();
    }

    bool run(const std::vector<Token>& tokens, QStringView t, qsizetype& pos, Fields& f) const {
        for (const Token& tok : tokens) {
            switch (tok.kind) {
            case Kind::Literal:
                if (t.mid(pos, tok.literal.size()) != QStringView(tok.literal))
                    return false;
                pos += tok.literal.size();
                break;
            case Kind::MonthShort:
            case Kind::MonthLong: {
                const QStringList& names =
                    tok.kind == Kind::MonthShort ? shortMonths_ : longMonths_;
                int found = -1;
                qsizetype len = 0;
                for (int m = 0; m < 12; ++m) {
                    const QString& name = names[m];
                    if (name.size() > len &&
                        t.mid(pos, name.size()).compare(name, Qt::CaseInsensitive) == 0) {
                        found = m + 1;
                        len = name.size();
                    }
                }
                if (found < 0)
                    return false;
                f.month = found;
                pos += len;
                break;
            }
            case Kind::AmPm: {
                if (!am_.isEmpty() &&
                    t.mid(pos, am_.size()).compare(am_, Qt::CaseInsensitive) == 0) {
                    f.ampm = 0;
                    pos += am_.size();
                } else if (!pm_.isEmpty() &&
                           t.mid(pos, pm_.size()).compare(pm_, Qt::CaseInsensitive) == 0) {
                    f.ampm = 1;
                    pos += pm_.size();
                } else {
                    return false;
                }
                break;
            }
            default: {
                int value = 0, digits = 0;
                while (digits < tok.maxDigits && pos < t.size() && t[pos] >= u'0' &&
                       t[pos] <= u'9') {
                    value = value * 10 + (t[pos].unicode() - u'0');
                    ++pos;
                    ++digits;
                }
                if (digits < tok.minDigits)
                    return false;
                if (pos < t.size() && t[pos] >= u'0' && t[pos] <= u'9')
                    return false; // more digits than the field takes
                switch (tok.kind) {
                case Kind::Day:
                    f.day = value;
                    break;
                case Kind::Month:
                    f.month = value;
                    break;
                case Kind::Year4:
                    f.year = value;
                    break;
                case Kind::Hour:
                    f.hour = value;
                    f.twelveHour = tok.twelveHour;
                    break;
                case Kind::Minute:
                    f.minute = value;
                    break;
                case Kind::Second:
                    f.second = value;
                    break;
                default:
                    break;
                }
            }
            }
        }
        return true;
    }

    static bool hasDigit(const QString& text) {
        return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    }

    // Names read case-insensitively by their longest match: each must be found as itself,
    // whatever follows it, so none may begin another; a digit in one could join a number.
    static bool distinctNames(const QStringList& names) {
        for (const QString& a : names) {
            if (a.isEmpty() || a != a.trimmed() || hasDigit(a) ||
                a.toUpper().compare(a, Qt::CaseInsensitive) != 0 ||
                a.toLower().compare(a, Qt::CaseInsensitive) != 0)
                return false;
            for (const QString& b : names)
                if (&a != &b && b.startsWith(a, Qt::CaseInsensitive))
                    return false;
        }
        return true;
    }

    // The forms are read back field for field when the digits written are 0-9, the date has
    // its day, month and four-digit year once each and the time its hour once (minutes and
    // seconds at most once, AM/PM exactly when the hour counts to twelve), no two number fields
    // touch (one could take the other's digits), no literal holds a digit, month names and
    // AM/PM texts are told apart by their start, and nothing that trimming or the spaces
    // between date and time would take away stands at either end.
    bool checkReadsBack(const QLocale& l) {
        if (!dateOk_ || !timeOk_ || l.zeroDigit() != QStringLiteral("0"))
            return false;
        int count[int(Kind::AmPm) + 1] = {};
        bool twelveHour = false;
        for (const std::vector<Token>* tokens : {&date_, &time_}) {
            bool number = false;
            for (const Token& t : *tokens) {
                const bool dateField = t.kind >= Kind::Day && t.kind <= Kind::Year4;
                const bool isNumber = t.kind != Kind::Literal && t.kind != Kind::MonthShort &&
                                      t.kind != Kind::MonthLong && t.kind != Kind::AmPm;
                if ((isNumber && number) || hasDigit(t.literal) ||
                    (t.kind != Kind::Literal && dateField != (tokens == &date_)))
                    return false;
                number = isNumber;
                ++count[int(t.kind)];
                twelveHour = twelveHour || t.twelveHour;
            }
        }
        const int months =
            count[int(Kind::Month)] + count[int(Kind::MonthShort)] + count[int(Kind::MonthLong)];
        if (count[int(Kind::Day)] != 1 || months != 1 || count[int(Kind::Year4)] != 1 ||
            count[int(Kind::Hour)] != 1 || count[int(Kind::Minute)] > 1 ||
            count[int(Kind::Second)] > 1 || count[int(Kind::AmPm)] > 1 ||
            (count[int(Kind::AmPm)] == 1) != twelveHour)
            return false;
        const Token &first = date_.front(), &timeFirst = time_.front(), &last = time_.back();
        if ((first.kind == Kind::Literal && first.literal.front().isSpace()) ||
            (timeFirst.kind == Kind::Literal && timeFirst.literal.front() == u' ') ||
            (last.kind == Kind::Literal && last.literal.back().isSpace()))
            return false;
        if ((count[int(Kind::MonthShort)] && !distinctNames(shortMonths_)) ||
            (count[int(Kind::MonthLong)] && !distinctNames(longMonths_)) ||
            (twelveHour && !distinctNames({am_, pm_})))
            return false;
        showsMinute_ = count[int(Kind::Minute)] == 1;
        showsSecond_ = count[int(Kind::Second)] == 1;
        return true;
    }

    static std::optional<QDate> makeDate(const Fields& f) {
        if (f.day < 0 || f.month < 0 || f.year < 0 || !QDate::isValid(f.year, f.month, f.day))
            return std::nullopt;
        return QDate(f.year, f.month, f.day);
    }

    static std::optional<QTime> makeTime(const Fields& f) {
        int hour = f.hour;
        if (hour < 0)
            return std::nullopt;
        if (f.twelveHour) {
            if (f.ampm < 0 || hour < 1 || hour > 12)
                return std::nullopt;
            hour = hour % 12 + (f.ampm == 1 ? 12 : 0);
        } else if (f.ampm >= 0) {
            return std::nullopt; // an unusual pattern: not read here
        }
        if (!QTime::isValid(hour, f.minute, f.second))
            return std::nullopt;
        return QTime(hour, f.minute, f.second);
    }

    std::vector<Token> date_, time_;
    bool dateOk_ = false, timeOk_ = false;
    QStringList shortMonths_, longMonths_;
    QString am_, pm_;
    bool readsBack_ = false, showsMinute_ = false, showsSecond_ = false;
};

// The conversions a sort uses, each text read once.
class Converter {
public:
    std::optional<double> number(const QString& text) const {
        // Plain decimal integers (the size columns) are read directly.
        const qsizetype n = text.size();
        if (n > 0 && n <= 15) {
            qsizetype i = text[0] == u'-' ? 1 : 0;
            if (i < n) {
                std::int64_t v = 0;
                bool digits = true;
                for (qsizetype k = i; k < n && digits; ++k) {
                    const char16_t c = text[k].unicode();
                    digits = c >= u'0' && c <= u'9';
                    v = v * 10 + (c - u'0');
                }
                if (digits)
                    return double(i ? -v : v);
            }
        }
        return platform::textToNumber(text);
    }
    std::optional<std::int64_t> dateTime(const QString& text) const {
        if (const std::optional<std::int64_t> v = reader_.dateTime(text))
            return v;
        const std::optional<QDateTime> dt = platform::textToDateTime(text);
        if (!dt)
            return std::nullopt;
        return wallClock(dt->date(), dt->time());
    }
    // What dateTime() reads from the text DATE and TIME make (see
    // TGridCellSource::DateTimeText), when that is known without the text.
    bool dateTime(const QDate& date, const QTime& time, std::optional<std::int64_t>& value) const {
        if (!date.isValid()) { // an empty text
            value.reset();
            return true;
        }
        static const qint64 firstDay = QDate(1000, 1, 1).toJulianDay();
        static const qint64 lastDay = QDate(9999, 12, 31).toJulianDay();
        const qint64 day = date.toJulianDay(); // the years of four digits
        if (!reader_.readsBack() || !time.isValid() || day < firstDay || day > lastDay)
            return false;
        value = reader_.readBack(date, time);
        return true;
    }
    std::optional<std::int64_t> time(const QString& text) const {
        std::optional<QTime> t = reader_.time(text);
        if (!t)
            t = platform::textToTime(text);
        if (!t)
            return std::nullopt;
        return t->msecsSinceStartOfDay();
    }

private:
    ShortFormReader reader_;
};

// True for UTF-8 that QString::fromUtf8 decodes and toUtf8 encodes again to the same bytes:
// well-formed sequences of scalar values, leaving out (to be safe) zero bytes, a byte order
// mark at the start and the noncharacters, which a decoder may treat in its own way.
bool roundTripsUtf8(const unsigned char* p, std::size_t n) {
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return false;
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c >= 0x01 && c < 0x80) {
            ++i;
            continue;
        }
        const int extra = c >= 0xC2 && c <= 0xDF   ? 1
                          : c >= 0xE0 && c <= 0xEF ? 2
                          : c >= 0xF0 && c <= 0xF4 ? 3
                                                   : -1;
        if (extra < 0 || n - i <= std::size_t(extra))
            return false;
        char32_t u = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            u = (u << 6) | (p[i + k] & 0x3F);
        }
        const char32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (u < least[extra] || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF) ||
            (u >= 0xFDD0 && u <= 0xFDEF) || (u & 0xFFFE) == 0xFFFE)
            return false;
        i += std::size_t(extra) + 1;
    }
    return true;
}

// One key cell of a sort: read through its source's shortcuts where they apply, otherwise
// from its text, made once when first needed.
class KeyCell {
public:
    KeyCell(const TGridCellSource* source, std::uint32_t item, QString ownText)
        : source_(source), item_(item), text_(std::move(ownText)), made_(!source) {}

    const QString& text() {
        if (!made_) {
            text_ = source_->Text(item_);
            made_ = true;
        }
        return text_;
    }
    // As the conversions read the text (with its ASCII letters upper-cased when UPPER).
    std::optional<double> number(const Converter& conv, bool upper) {
        std::uint64_t value = 0;
        if (source_ && source_->NumberText(item_, value))
            return double(value); // as the text's digits read, rounded to the nearest double
        return conv.number(upper ? asciiUpper(text()) : text());
    }
    std::optional<std::int64_t> dateTime(const Converter& conv, bool upper) {
        QDate date;
        QTime time;
        std::optional<std::int64_t> value;
        if (source_ && source_->DateTimeText(item_, date, time) && conv.dateTime(date, time, value))
            return value;
        return conv.dateTime(upper ? asciiUpper(text()) : text());
    }
    // Appends the text's UTF-8 bytes to POOL.
    void utf8(std::string& pool) {
        const std::size_t start = pool.size();
        if (source_ && source_->Utf8Text(item_, pool)) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(pool.data() + start);
            if (roundTripsUtf8(bytes, pool.size() - start))
                return;
            const QByteArray again =
                QString::fromUtf8(pool.data() + start, qsizetype(pool.size() - start)).toUtf8();
            pool.replace(start, std::string::npos, again.constData(), std::size_t(again.size()));
            return;
        }
        pool.resize(start);
        const QByteArray bytes = text().toUtf8();
        pool.append(bytes.constData(), std::size_t(bytes.size()));
    }

private:
    const TGridCellSource* source_;
    std::uint32_t item_;
    QString text_;
    bool made_;
};

// A text's sort key: its UTF-8 bytes in a shared pool, and one 16-byte piece of them (big-endian
// in two numbers, zero-padded) kept in the key, so that comparisons read only the keys.
struct TextKey {
    static constexpr std::size_t Piece = 16;
    std::uint64_t high = 0, low = 0;
    std::uint8_t pieceLength = 0; // bytes of the text in the piece
    std::uint32_t length = 0;
    std::size_t offset = 0;
    int index = 0;

    void loadPiece(const std::string& pool, std::size_t depth) {
        unsigned char b[Piece] = {};
        const std::size_t from = depth * Piece;
        pieceLength = std::uint8_t(length > from ? std::min<std::size_t>(length - from, Piece) : 0);
        std::memcpy(b, pool.data() + offset + from, pieceLength);
        high = low = 0;
        for (std::size_t i = 0; i < 8; ++i) {
            high = high << 8 | b[i];
            low = low << 8 | b[8 + i];
        }
    }
    // The pieces in byte order, a shorter piece before a longer one that it pads equal to.
    int comparePiece(const TextKey& o) const {
        if (high != o.high)
            return high < o.high ? -1 : 1;
        if (low != o.low)
            return low < o.low ? -1 : 1;
        return compareValues(pieceLength, o.pieceLength);
    }
};

// Orders the keys by their texts' bytes (a proper prefix first), DESCENDING reversing that,
// equal texts by index: the keys are sorted by their first pieces, then each run of keys whose
// pieces are equal and full by the next piece, and so on. Comparing pieces in order this way
// is comparing the bytes: where two texts first differ, or one ends, their pieces differ.
void sortTexts(std::vector<TextKey>& keys, const std::string& pool, bool descending) {
    struct Range {
        std::size_t begin, end, depth;
    };
    std::vector<Range> todo{{0, keys.size(), 0}};
    while (!todo.empty()) {
        const Range r = todo.back();
        todo.pop_back();
        const auto first = keys.begin() + std::ptrdiff_t(r.begin);
        const auto last = keys.begin() + std::ptrdiff_t(r.end);
        for (auto k = first; k != last; ++k)
            k->loadPiece(pool, r.depth);
        std::sort(first, last, [descending](const TextKey& a, const TextKey& b) {
            const int c = a.comparePiece(b);
            return c == 0 ? a.index < b.index : (descending ? c > 0 : c < 0);
        });
        for (std::size_t i = r.begin; i < r.end;) {
            std::size_t j = i + 1;
            while (j < r.end && keys[j].comparePiece(keys[i]) == 0)
                ++j;
            if (j - i > 1 && keys[i].pieceLength == TextKey::Piece)
                todo.push_back({i, j, r.depth + 1});
            i = j;
        }
    }
}

// Stable merge sort of indices. It terminates and leaves a permutation whatever the
// comparison answers, which matters when a handler forces a kind the texts do not convert to.
template <typename Less> void mergeSort(std::vector<int>& v, Less less) {
    std::vector<int> buffer(v.size());
    for (size_t width = 1; width < v.size(); width *= 2) {
        for (size_t lo = 0; lo < v.size(); lo += 2 * width) {
            const size_t mid = std::min(lo + width, v.size());
            const size_t hi = std::min(lo + 2 * width, v.size());
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                buffer[k++] = less(v[j], v[i]) ? v[j++] : v[i++];
            while (i < mid)
                buffer[k++] = v[i++];
            while (j < hi)
                buffer[k++] = v[j++];
        }
        v.swap(buffer);
    }
}

// Rounds half to even, as the scroll-bar page rule asks.
int roundHalfEven(double v) {
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(v);
    std::fesetround(saved);
    return int(r);
}

// The page is the share of the scroll range, counted in positions 0 .. range, that the thumb
// covers: page / (range + 1) of the track. A Qt scroll bar sizes its thumb as
// step / (range + step) instead, so the page is given to it as the step that draws the same
// thumb. A page covering the whole range gets a step large enough to fill the track.
int thumbStep(int page, int range) {
    if (range <= 0)
        return page;
    const double rest = double(range) + 1 - page;
    if (rest <= 0)
        return 1 << 24;
    return int(std::min<double>(1 << 24, std::max(1.0, std::round(double(page) * range / rest))));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Creation and properties

TSortingGrid::TSortingGrid(QWidget* parent) : TStringGrid(parent) {
    RememberCell();
}

TSortingGrid::~TSortingGrid() = default;

bool TSortingGrid::CaseSensitive() const {
    return caseSensitive_;
}
void TSortingGrid::setCaseSensitive(bool on) {
    caseSensitive_ = on;
}
TAlignment TSortingGrid::AlignmentHorz() const {
    return alignmentHorz_;
}
void TSortingGrid::setAlignmentHorz(TAlignment alignment) {
    alignmentHorz_ = alignment;
    viewport()->update();
}
TVertAlignment TSortingGrid::AlignmentVert() const {
    return alignmentVert_;
}
void TSortingGrid::setAlignmentVert(TVertAlignment alignment) {
    alignmentVert_ = alignment;
    viewport()->update();
}
bool TSortingGrid::ClickSorting() const {
    return clickSorting_;
}
void TSortingGrid::setClickSorting(bool on) {
    clickSorting_ = on;
}
TCellBevelStyle TSortingGrid::BevelStyle() const {
    return bevelStyle_;
}
void TSortingGrid::setBevelStyle(TCellBevelStyle style) {
    bevelStyle_ = style;
    viewport()->update();
}
bool TSortingGrid::ProportionalScrollBars() const {
    return proportional_;
}
void TSortingGrid::setProportionalScrollBars(bool on) {
    proportional_ = on;
    UpdateScrollPage();
}
bool TSortingGrid::ExtendedKeys() const {
    return extendedKeys_;
}
void TSortingGrid::setExtendedKeys(bool on) {
    extendedKeys_ = on;
}

// ---------------------------------------------------------------------------------------------
// Header-click sort

void TSortingGrid::mouseReleaseEvent(QMouseEvent* event) {
    const Qt::KeyboardModifiers shiftState =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const Qt::MouseButtons otherButtons = event->buttons() & ~event->button();
    if (clickSorting_ && hasFocus() && GridState() == TGridState::gsNormal && FixedRows() >= 1 &&
        shiftState == Qt::NoModifier && otherButtons == Qt::NoButton) {
        const QPoint p = event->position().toPoint();
        const TGridCoord cell = MouseCoord(p.x(), p.y());
        // A release right of the last column has no column: ignored.
        if (cell.X >= 0 && cell.Y >= 0 && cell.Y < FixedRows()) {
            TSortOptions options;
            options.Kind = TSortKind::skAutomatic;
            options.Order = event->button() == Qt::RightButton ? TSortOrder::soDescending
                                                               : TSortOrder::soAscending;
            options.CaseSensitive = caseSensitive_;
            // The base release handling runs after the sort even when the sort fails, so
            // that the mouse is not left in the middle of a press.
            try {
                if (OnClickSort)
                    OnClickSort(this, cell.X, cell.Y, options);
                platform::WaitCursor hourglass;
                SortByColumn(cell.X, options);
            } catch (...) {
                TStringGrid::mouseReleaseEvent(event);
                throw;
            }
        }
    }
    // A right click on a heading only sorts: the entry menu is for the entries.
    if (event->button() == Qt::RightButton) {
        const QPoint p = event->position().toPoint();
        const TGridCoord cell = MouseCoord(p.x(), p.y());
        if (cell.Y >= 0 && cell.Y < FixedRows())
            return;
    }
    TStringGrid::mouseReleaseEvent(event);
}

void TSortingGrid::SortByColumn(int ACol, const TSortOptions& SortOptions) {
    if (EditorMode() || FixedRows() + 1 >= RowCount())
        return;
    if (ACol < 0 || ACol >= ColCount())
        return;
    TSortOptions options = SortOptions;
    if (options.Kind == TSortKind::skAutomatic)
        options.Kind = DetectSortKind(ACol);
    if (OnBeginSort)
        OnBeginSort(this, ACol, options);
    ExecuteSort(ACol, options);
    if (OnEndSort)
        OnEndSort(this, ACol);
}

TSortKind TSortingGrid::DetectSortKind(int ACol) {
    // A flag decides only while the flags before it (numeric, then date-and-time) have fallen,
    // so the time of day is tried only when both have: a column of dates and times is then
    // read once, not also through the slower general time conversion of every cell. A flag
    // that has fallen never comes back, so the scans stop at the first failure.
    const Converter conv;
    bool numeric = true, dateTime = true;
    for (int row = FixedRows(); row < RowCount() && (numeric || dateTime); ++row) {
        std::uint32_t item = 0;
        const TGridCellSource* source = CellSource(ACol, row, item).get();
        KeyCell cell(source, item, source ? QString() : Cells(ACol, row));
        numeric = numeric && cell.number(conv, false);
        dateTime = dateTime && cell.dateTime(conv, false);
    }
    if (numeric)
        return TSortKind::skNumeric;
    if (dateTime)
        return TSortKind::skDateTime;
    for (int row = FixedRows(); row < RowCount(); ++row)
        if (!conv.time(Cells(ACol, row)))
            return TSortKind::skText;
    return TSortKind::skTime;
}

int TSortingGrid::CompareEntries(const TSortedListEntry& A, const TSortedListEntry& B,
                                 const TSortOptions& Options) {
    QString a = A.KeyText, b = B.KeyText;
    if (!Options.CaseSensitive) {
        a = asciiUpper(a);
        b = asciiUpper(b);
    }
    int result = 0;
    switch (Options.Kind) {
    case TSortKind::skNumeric: {
        const auto x = platform::textToNumber(a), y = platform::textToNumber(b);
        result = x && y ? compareValues(*x, *y) : 0;
        break;
    }
    case TSortKind::skDateTime: {
        const auto x = platform::textToDateTime(a), y = platform::textToDateTime(b);
        result =
            x && y ? compareValues(wallClock(x->date(), x->time()), wallClock(y->date(), y->time()))
                   : 0;
        break;
    }
    case TSortKind::skTime: {
        const auto x = platform::textToTime(a), y = platform::textToTime(b);
        result = x && y ? compareValues(*x, *y) : 0;
        break;
    }
    case TSortKind::skCustom:
        result = Options.Compare ? sign(Options.Compare(a, b)) : 0;
        break;
    default:
        result = compareBytes(a.toUtf8(), b.toUtf8());
        break;
    }
    if (result == 0)
        return compareValues(A.SourceRow, B.SourceRow);
    return Options.Order == TSortOrder::soDescending ? -result : result;
}

void TSortingGrid::ExecuteSort(int ACol, const TSortOptions& SortOptions) {
    clearSortList();
    rowsMoving();
    const int first = FixedRows();
    const int n = RowCount() - first;
    if (n <= 0)
        return;
    const auto size = std::size_t(n);
    // The key cells: items of the column's source, or texts of their own.
    std::shared_ptr<TGridCellSource> source;
    std::vector<std::uint32_t> items(size, NoItem);
    std::vector<QString> texts; // only once a cell has a text of its own
    for (int i = 0; i < n; ++i) {
        std::uint32_t item = 0;
        if (const std::shared_ptr<TGridCellSource>& s = CellSource(ACol, first + i, item)) {
            source = s;
            items[std::size_t(i)] = item;
        } else {
            if (texts.empty())
                texts.resize(size);
            texts[std::size_t(i)] = Cells(ACol, first + i);
        }
    }
    const auto cell = [&](int i) {
        const std::uint32_t item = items[std::size_t(i)];
        return item == NoItem ? KeyCell(nullptr, 0, texts[std::size_t(i)])
                              : KeyCell(source.get(), item, QString());
    };

    // Each key is converted once; the comparison below then only compares values.
    const TSortOptions& o = SortOptions;
    const bool descending = o.Order == TSortOrder::soDescending;
    std::vector<int> order(size);
    if (o.Kind == TSortKind::skText || o.Kind == TSortKind::skAutomatic) {
        // Texts by their UTF-8 bytes (ASCII letters upper-cased unless case-sensitive), ties
        // by row: a total order, so the keys themselves are sorted, not indices to them.
        std::string pool;
        std::vector<TextKey> keys;
        keys.reserve(size);
        for (int i = 0; i < n; ++i) {
            if (i == 64) // room for the rest at the length of the texts so far, and some over
                pool.reserve(pool.size() * size / 64 * 5 / 4);
            TextKey& k = keys.emplace_back();
            k.offset = pool.size();
            cell(i).utf8(pool);
            k.length = std::uint32_t(pool.size() - k.offset);
            k.index = i;
        }
        if (!o.CaseSensitive) // the ASCII letters alone, as asciiUpper
            for (char& c : pool)
                if (c >= 'a' && c <= 'z')
                    c = char(c - 32);
        sortTexts(keys, pool, descending);
        for (int j = 0; j < n; ++j)
            order[std::size_t(j)] = keys[std::size_t(j)].index;
    } else {
        std::vector<double> numbers(size);
        std::vector<char> converted(size, 0);
        std::vector<QString> custom;
        bool allNumbers = o.Kind != TSortKind::skCustom;
        {
            const Converter conv;
            const bool upper = !o.CaseSensitive;
            if (o.Kind == TSortKind::skCustom)
                custom.resize(size);
            for (int i = 0; i < n; ++i) {
                KeyCell c = cell(i);
                std::optional<double> v;
                switch (o.Kind) {
                case TSortKind::skNumeric:
                    v = c.number(conv, upper);
                    break;
                case TSortKind::skDateTime:
                    if (const auto t = c.dateTime(conv, upper))
                        v = double(*t);
                    break;
                case TSortKind::skTime:
                    if (const auto t = conv.time(upper ? asciiUpper(c.text()) : c.text()))
                        v = double(*t);
                    break;
                default: // skCustom
                    custom[std::size_t(i)] = upper ? asciiUpper(c.text()) : c.text();
                    break;
                }
                if (v) {
                    numbers[std::size_t(i)] = *v;
                    converted[std::size_t(i)] = 1;
                }
                allNumbers = allNumbers && v;
            }
        }
        if (allNumbers) {
            // Every text converted: numbers, ties by row, are a total order.
            std::vector<std::pair<double, int>> keys(size);
            for (int i = 0; i < n; ++i)
                keys[std::size_t(i)] = {numbers[std::size_t(i)], i};
            std::sort(keys.begin(), keys.end(), [descending](const auto& a, const auto& b) {
                if (a.first < b.first)
                    return !descending;
                if (b.first < a.first)
                    return descending;
                return a.second < b.second;
            });
            for (int j = 0; j < n; ++j)
                order[std::size_t(j)] = keys[std::size_t(j)].second;
        } else {
            auto compare = [&](int x, int y) {
                int r = 0;
                if (o.Kind == TSortKind::skCustom)
                    r = o.Compare ? sign(o.Compare(custom[std::size_t(x)], custom[std::size_t(y)]))
                                  : 0;
                else if (converted[std::size_t(x)] && converted[std::size_t(y)])
                    r = compareValues(numbers[std::size_t(x)], numbers[std::size_t(y)]);
                if (r == 0)
                    return compareValues(x, y); // source rows in the same order as the indices
                return descending ? -r : r;
            };
            for (int i = 0; i < n; ++i)
                order[std::size_t(i)] = i;
            mergeSort(order, [&](int x, int y) { return compare(x, y) < 0; });
        }
    }

    // The sort list keeps the key cells in the new order; their texts are made when read.
    std::vector<int> sources(size);
    keyItems_.resize(size);
    if (!texts.empty())
        keyTexts_.resize(size);
    for (int j = 0; j < n; ++j) {
        const std::size_t i = std::size_t(order[std::size_t(j)]);
        sources[std::size_t(j)] = first + int(i);
        keyItems_[std::size_t(j)] = items[i];
        if (!texts.empty())
            keyTexts_[std::size_t(j)] = std::move(texts[i]);
    }
    keySource_ = std::move(source);
    sortedRows_ = sources;
    PermuteRows(first, sources);
    rowsMoved();

    // The current cell follows its row.
    const int current = Row();
    for (int j = 0; j < n; ++j) {
        if (sources[std::size_t(j)] == current) {
            MoveToCell(Col(), first + j);
            break;
        }
    }
}

void TSortingGrid::clearSortList() {
    sortedRows_.clear();
    keySource_.reset();
    keyItems_.clear();
    keyTexts_.clear();
    sortedList_.clear();
}

void TSortingGrid::makeKeyTexts() const {
    if (!keySource_)
        return;
    keyTexts_.resize(keyItems_.size());
    for (std::size_t j = 0; j < keyItems_.size(); ++j)
        if (keyItems_[j] != NoItem)
            keyTexts_[j] = keySource_->Text(keyItems_[j]);
    keySource_.reset();
    keyItems_.clear();
}

const TSortedList& TSortingGrid::SortedList() const {
    if (sortedList_.size() != sortedRows_.size()) {
        makeKeyTexts();
        sortedList_.resize(sortedRows_.size());
        for (std::size_t j = 0; j < sortedRows_.size(); ++j)
            sortedList_[j] = {std::move(keyTexts_[j]), sortedRows_[j]};
        keyTexts_.clear();
    }
    return sortedList_;
}

void TSortingGrid::SourceTextsChanging(int col) {
    if (keySource_ && keySource_.get() == ColumnSource(col))
        makeKeyTexts();
    TStringGrid::SourceTextsChanging(col);
}

bool TSortingGrid::IsSortListValid() {
    if (int(sortedRows_.size()) == RowCount() - FixedRows())
        return true;
    clearSortList();
    return false;
}

void TSortingGrid::RestoreOrder() {
    if (sortedRows_.empty() || !IsSortListValid())
        return;
    const int first = FixedRows();
    const int n = int(sortedRows_.size());
    // The kept rows must still name every non-fixed row once (the fixed rows may have
    // changed since the sort); otherwise the undo would scramble rows.
    std::vector<int> sources(std::size_t(n), -1);
    for (int j = 0; j < n; ++j) {
        const int target = sortedRows_[std::size_t(j)] - first;
        if (target < 0 || target >= n || sources[std::size_t(target)] != -1) {
            clearSortList();
            return;
        }
        sources[std::size_t(target)] = first + j;
    }
    rowsMoving();
    PermuteRows(first, sources);
    rowsMoved();
    const int index = Row() - first;
    if (index >= 0 && index < n)
        MoveToCell(Col(), sortedRows_[std::size_t(index)]);
    clearSortList();
}

void TSortingGrid::MoveToCell(int ACol, int ARow) {
    ACol = std::max(ACol, FixedCols());
    ARow = std::max(ARow, FixedRows());
    if (SelectCell(ACol, ARow))
        FocusCell(ACol, ARow, true, true);
}

bool TSortingGrid::SelectCell(int ACol, int ARow) {
    return TStringGrid::SelectCell(ACol, ARow);
}

// ---------------------------------------------------------------------------------------------
// Drawing

void TSortingGrid::InitFormatOptions(TFormatOptions& FormatOptions) {
    Canvas& canvas = GridCanvas();
    FormatOptions.Brush = &canvas.Brush;
    FormatOptions.Font = &canvas.Font;
    FormatOptions.AlignmentHorz = alignmentHorz_;
    FormatOptions.AlignmentVert = alignmentVert_;
    FormatOptions.BevelStyle = bevelStyle_;
    FormatOptions.HideText = false;
    const QPalette pal = palette();
    const TColor light = QColorToTColor(pal.color(QPalette::Light));
    const TColor shadow = QColorToTColor(pal.color(QPalette::Dark));
    const TColor window = QColorToTColor(pal.color(QPalette::Base));
    switch (bevelStyle_) {
    case TCellBevelStyle::cbRaised:
        FormatOptions.TopLeftColor = light;
        FormatOptions.BottomRightColor = shadow;
        break;
    case TCellBevelStyle::cbLowered:
        FormatOptions.TopLeftColor = shadow;
        FormatOptions.BottomRightColor = light;
        break;
    default:
        FormatOptions.TopLeftColor = window;
        FormatOptions.BottomRightColor = window;
        break;
    }
}

void TSortingGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    TFormatOptions fo;
    InitFormatOptions(fo);
    if (OnGetCellFormat)
        OnGetCellFormat(this, ACol, ARow, AState, fo);
    if (!DefaultDrawing()) {
        TStringGrid::DrawCell(ACol, ARow, ARect, AState);
        return;
    }
    Canvas& canvas = GridCanvas();
    const QString text = Cells(ACol, ARow);
    const int cw = ARect.Width(), ch = ARect.Height();
    const int tw = canvas.TextWidth(text), th = canvas.TextHeight(text);
    // A cell's mark stands at its left, vertically centred; left-aligned text follows it.
    const QImage* mark = fo.HideText ? nullptr : CellMark(ACol, ARow);
    const int markWidth = mark ? mark->width() + 2 : 0;
    int dx = 2 + markWidth, dy = 2;
    if (fo.AlignmentHorz == TAlignment::taRightJustify)
        dx = cw - tw - 2;
    else if (fo.AlignmentHorz == TAlignment::taCenter)
        dx = (cw - tw) / 2;
    if (fo.AlignmentVert == TVertAlignment::taBottomJustify)
        dy = ch - th - 3;
    else if (fo.AlignmentVert == TVertAlignment::taMiddle)
        dy = (ch - th) / 2;
    canvas.TextRect(ARect, ARect.Left + dx, ARect.Top + dy, fo.HideText ? QString() : text);
    if (mark && markWidth <= cw)
        canvas.Draw(ARect.Left + 2, ARect.Top + (ch - mark->height()) / 2, *mark);

    if (fo.BevelStyle != TCellBevelStyle::cbNone && ACol >= FixedCols() && ARow >= FixedRows()) {
        canvas.Pen.Width = 1;
        canvas.Pen.Style = TPenStyle::psSolid;
        const bool vert = hasOption(TGridOption::goFixedVertLine);
        const bool horz = hasOption(TGridOption::goFixedHorzLine);
        const TRect& r = ARect;
        if (vert) {
            canvas.Pen.Color = fo.BottomRightColor;
            canvas.Polyline({QPoint(r.Right - 1, r.Top), QPoint(r.Right - 1, r.Bottom)});
        }
        if (horz) {
            canvas.Pen.Color = fo.BottomRightColor;
            canvas.Polyline({QPoint(r.Left, r.Bottom - 1), QPoint(r.Right, r.Bottom - 1)});
        }
        if (vert) {
            canvas.Pen.Color = fo.TopLeftColor;
            canvas.Polyline({QPoint(r.Left, r.Top), QPoint(r.Left, r.Bottom)});
        }
        if (horz) {
            canvas.Pen.Color = fo.TopLeftColor;
            canvas.Polyline({QPoint(r.Left, r.Top), QPoint(r.Right, r.Top)});
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Proportional scroll bars

void TSortingGrid::UpdateScrollRange() {
    TStringGrid::UpdateScrollRange();
    UpdateScrollPage();
}

void TSortingGrid::UpdateScrollPage() {
    const TScrollStyle bars = ScrollBars();
    auto pageFor = [&](QScrollBar* bar, int visible, int fixed, int count) {
        if (!proportional_) {
            bar->setPageStep(0);
            return;
        }
        const double span = double(bar->maximum()) - bar->minimum() + 1;
        const int page = std::max(1, roundHalfEven(double(visible + fixed) / count * span));
        bar->setPageStep(thumbStep(page, bar->maximum() - bar->minimum()));
    };
    if (bars == TScrollStyle::ssVertical || bars == TScrollStyle::ssBoth)
        pageFor(verticalScrollBar(), VisibleRowCount(), FixedRows(), RowCount());
    if (bars == TScrollStyle::ssHorizontal || bars == TScrollStyle::ssBoth)
        pageFor(horizontalScrollBar(), VisibleColCount(), FixedCols(), ColCount());
}

void TSortingGrid::ColWidthsChanged() {
    TStringGrid::ColWidthsChanged();
    if (OnColumnWidthsChanged)
        OnColumnWidthsChanged(this);
}

void TSortingGrid::RowHeightsChanged() {
    TStringGrid::RowHeightsChanged();
    if (OnRowHeightsChanged)
        OnRowHeightsChanged(this);
}

void TSortingGrid::SizeChanged(int OldColCount, int OldRowCount) {
    TStringGrid::SizeChanged(OldColCount, OldRowCount);
    if (OnSizeChanged)
        OnSizeChanged(this, OldColCount, OldRowCount);
}

// ---------------------------------------------------------------------------------------------
// Edit tracking and validation

void TSortingGrid::RememberCell() {
    validateCol_ = Col();
    validateRow_ = Row();
    validateText_ = Cells(validateCol_, validateRow_);
    savedModified_ = modified_;
}

void TSortingGrid::ValidateCell() {
    // A remembered cell that no longer exists has nothing left to validate.
    if (validateCol_ >= ColCount() || validateRow_ >= RowCount() ||
        Cells(validateCol_, validateRow_) == validateText_) {
        RememberCell();
        return;
    }
    const QString current = Cells(validateCol_, validateRow_);
    QString value = current;
    bool valid = true;
    if (OnCellValidate)
        OnCellValidate(this, validateCol_, validateRow_, value, valid);
    if (valid) {
        if (value != Cells(validateCol_, validateRow_))
            setCells(validateCol_, validateRow_, value);
    } else {
        if (value != Cells(validateCol_, validateRow_))
            setCells(validateCol_, validateRow_, value);
        else
            setCells(validateCol_, validateRow_, validateText_);
        modified_ = savedModified_;
    }
    // An editor still open on the cell shows what the validation left there, so that further
    // typing goes on from that text and does not bring the replaced one back.
    if (EditorMode() && Col() == validateCol_ && Row() == validateRow_ &&
        InplaceEditor()->text() != Cells(validateCol_, validateRow_))
        InplaceEditor()->setText(Cells(validateCol_, validateRow_));
    RememberCell();
}

void TSortingGrid::SetEditText(int ACol, int ARow, const QString& Value) {
    if (Value != Cells(ACol, ARow))
        modified_ = true;
    TStringGrid::SetEditText(ACol, ARow, Value);
}

void TSortingGrid::ClickEvent() {
    TStringGrid::ClickEvent();
    if (hasFocus_)
        ValidateCell();
}

void TSortingGrid::DoEnter() {
    TStringGrid::DoEnter();
    hasFocus_ = true;
    RememberCell();
}

void TSortingGrid::DoExit() {
    ClickEvent();
    TStringGrid::DoExit();
    hasFocus_ = false;
}

void TSortingGrid::KeyPress(QChar& key) {
    if (key == QChar(13))
        ValidateCell();
    TStringGrid::KeyPress(key);
}

TGridDrawState TSortingGrid::GetCellState(int ACol, int ARow) {
    TGridDrawState s;
    s.Fixed = ARow < FixedRows() && ACol < FixedCols();
    s.Focused = hasFocus() && ACol == Col() && ARow == Row();
    const TGridRect sel = Selection();
    s.Selected = ACol >= sel.Left && ACol <= sel.Right && ARow >= sel.Top && ARow <= sel.Bottom;
    return s;
}

// ---------------------------------------------------------------------------------------------
// Keys

void TSortingGrid::keyPressEvent(QKeyEvent* event) {
    TStringGrid::keyPressEvent(event);
    if (!extendedKeys_ || EditorMode())
        return;
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool ctrl = mods == Qt::ControlModifier;
    const bool ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
    if (event->key() == Qt::Key_Insert) {
        if (ctrl)
            InsertRow(Row());
        else if (ctrlShift)
            InsertColumn(Col());
    } else if (event->key() == Qt::Key_Delete) {
        if (ctrl && FixedRows() + 1 < RowCount())
            DeleteRow(Row());
        else if (ctrlShift && FixedCols() + 1 < ColCount())
            DeleteColumn(Col());
    }
}

// ---------------------------------------------------------------------------------------------
// Row and column operations

// Cells that move under the remembered cell are not edits: a pending edit is validated where
// it was made before anything moves, and the cell is remembered afresh afterwards, so that
// the validation event never sees (or resets) a text the user did not type.
void TSortingGrid::rowsMoving() {
    if (hasFocus_)
        ValidateCell();
}

void TSortingGrid::rowsMoved() {
    RememberCell();
}

template <typename F> void TSortingGrid::withoutAlwaysShowEditor(F&& f) {
    const bool was = hasOption(TGridOption::goAlwaysShowEditor);
    if (was)
        setOption(TGridOption::goAlwaysShowEditor, false);
    struct Restore {
        TSortingGrid* g;
        bool was;
        ~Restore() {
            if (was)
                g->setOption(TGridOption::goAlwaysShowEditor, true);
        }
    } restore{this, was};
    f();
}

void TSortingGrid::clearRow(int ARow) {
    for (int c = 0; c < ColCount(); ++c) {
        setCells(c, ARow, QString());
        setObjects(c, ARow, nullptr);
    }
}

void TSortingGrid::clearColumn(int ACol) {
    for (int r = 0; r < RowCount(); ++r) {
        setCells(ACol, r, QString());
        setObjects(ACol, r, nullptr);
    }
}

void TSortingGrid::ClearCells() {
    for (int c = 0; c < ColCount(); ++c)
        setCols(c, TGridStrings{});
    modified_ = false;
    rowsMoved();
}

void TSortingGrid::InsertRow(int ARow) {
    setRowCount(RowCount() + 1);
    MoveRow(RowCount() - 1, ARow);
    clearRow(ARow);
    setRow(ARow);
    if (OnRowInsert)
        OnRowInsert(this, ARow);
}

void TSortingGrid::InsertColumn(int ACol) {
    setColCount(ColCount() + 1);
    MoveColumn(ColCount() - 1, ACol);
    clearColumn(ACol);
    setCol(ACol);
    if (OnColumnInsert)
        OnColumnInsert(this, ACol);
}

void TSortingGrid::DeleteRow(int ARow) {
    if (ARow < 0 || ARow >= RowCount())
        return;
    rowsMoving();
    clearRow(ARow);
    withoutAlwaysShowEditor([&] { TStringGrid::DeleteRow(ARow); });
    rowsMoved();
    if (OnRowDelete)
        OnRowDelete(this, ARow);
}

void TSortingGrid::DeleteColumn(int ACol) {
    if (ACol < 0 || ACol >= ColCount())
        return;
    rowsMoving();
    clearColumn(ACol);
    withoutAlwaysShowEditor([&] { TStringGrid::DeleteColumn(ACol); });
    rowsMoved();
    if (OnColumnDelete)
        OnColumnDelete(this, ACol);
}

void TSortingGrid::MoveRow(int FromIndex, int ToIndex) {
    rowsMoving();
    withoutAlwaysShowEditor([&] { TStringGrid::MoveRow(FromIndex, ToIndex); });
    rowsMoved();
}

void TSortingGrid::MoveColumn(int FromIndex, int ToIndex) {
    rowsMoving();
    withoutAlwaysShowEditor([&] { TStringGrid::MoveColumn(FromIndex, ToIndex); });
    rowsMoved();
}

void TSortingGrid::SwapRows(int Index1, int Index2) {
    if (Index1 < Index2) {
        MoveRow(Index2, Index1);
        MoveRow(Index1 + 1, Index2);
    } else if (Index2 < Index1) {
        MoveRow(Index1, Index2);
        MoveRow(Index2 + 1, Index1);
    }
}

void TSortingGrid::SwapColumns(int Index1, int Index2) {
    if (Index1 < Index2) {
        MoveColumn(Index2, Index1);
        MoveColumn(Index1 + 1, Index2);
    } else if (Index2 < Index1) {
        MoveColumn(Index1, Index2);
        MoveColumn(Index2 + 1, Index1);
    }
}

void TSortingGrid::AutoSizeColumn(int ACol) {
    if (ACol < 0 || ACol >= ColCount())
        return;
    Canvas& canvas = GridCanvas();
    canvas.Font = TCanvasFont(font(), canvas.Font.Color);
    int widest = 0;
    for (int row = 0; row < RowCount(); ++row) {
        TFormatOptions fo;
        InitFormatOptions(fo);
        if (OnGetCellFormat)
            OnGetCellFormat(this, ACol, row, GetCellState(ACol, row), fo);
        if (fo.Font && fo.Font != &canvas.Font)
            canvas.Font = *fo.Font;
        widest = std::max(widest, canvas.TextWidth(Cells(ACol, row)));
    }
    setColWidths(ACol, canvas.TextWidth(QStringLiteral("x")) + widest);
}

void TSortingGrid::AutoSizeColumns(bool IncludeFixed, int ExtraWidth) {
    auto size = [&](int c) {
        AutoSizeColumn(c);
        if (ExtraWidth != 0)
            setColWidths(c, ColWidths(c) + ExtraWidth);
    };
    if (IncludeFixed)
        for (int c = 0; c < FixedCols(); ++c)
            size(c);
    for (int c = FixedCols(); c < ColCount(); ++c)
        size(c);
}

bool TSortingGrid::FindText(const QString& Text, int& ACol, int& ARow) {
    for (int c = 0; c < ColCount(); ++c)
        for (int r = 0; r < RowCount(); ++r)
            if (Cells(c, r).compare(Text, Qt::CaseInsensitive) == 0) {
                ACol = c;
                ARow = r;
                return true;
            }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Delimited text files

void TSortingGrid::SplitLine(const QString& Text, QChar Separator, QStringList& Fields) {
    Fields = Text.split(Separator, Qt::KeepEmptyParts);
}

void TSortingGrid::LoadFromFile(const QString& FileName, QChar Separator) {
    // The file is read whole before the grid changes, so a file that cannot be read leaves
    // the cells as they were.
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw platform::EFOpenError("Cannot open file \"" + FileName.toStdString() + "\". " +
                                    file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw platform::EFOpenError("Cannot read file \"" + FileName.toStdString() + "\". " +
                                    file.errorString().toStdString());
    file.close();

    // Lines end with CR LF, LF or CR; a last line end makes no extra line.
    // Text is UTF-8; a file that is not (an 8-bit file from another program) is read as
    // Latin-1, so that no byte turns into a replacement character. Decoded in one piece, so
    // that a sequence cut short at the end is an error too rather than held back unread.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            lines.append(text.mid(start, i - start));
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        lines.append(text.mid(start));

    ClearCells();
    setRowCount(int(lines.size()));
    setColCount(FixedCols() + 1);
    QStringList fields;
    for (int i = 0; i < int(lines.size()); ++i) {
        SplitLine(lines[i], Separator, fields);
        if (fields.size() > ColCount())
            setColCount(int(fields.size()));
        for (int c = 0; c < int(fields.size()); ++c)
            setCells(c, i, fields[c]);
    }
    rowsMoved();
}

void TSortingGrid::SaveToFile(const QString& FileName, QChar Separator) {
    QByteArray out;
    for (int r = 0; r < RowCount(); ++r) {
        QString line;
        for (int c = 0; c < ColCount(); ++c) {
            if (c > 0)
                line += Separator;
            line += Cells(c, r);
        }
        out += line.toUtf8();
        out += "\r\n";
    }
    // Written to a temporary file and put in place only when complete, so a failed save
    // never leaves a half-written file in place of the old one.
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        throw platform::Exception("Cannot create file \"" + FileName.toStdString() + "\". " +
                                  file.errorString().toStdString());
}
