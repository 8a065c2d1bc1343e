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

// One row's key, converted once for the whole sort.
// A text's sort key: its UTF-8 bytes in a shared pool, the first of them also kept in the key
// itself so that most comparisons read no further.
struct TextKey {
    static constexpr std::size_t Head = 16;
    unsigned char head[Head] = {};
    std::uint32_t offset = 0, length = 0;
    int index = 0;

    static TextKey of(const QByteArray& bytes, std::string& pool, int index) {
        TextKey k;
        k.offset = std::uint32_t(pool.size());
        k.length = std::uint32_t(bytes.size());
        k.index = index;
        pool.append(bytes.constData(), std::size_t(bytes.size()));
        return k;
    }
    void fillHead(const std::string& pool) {
        std::memcpy(head, pool.data() + offset, std::min<std::size_t>(length, Head));
    }
    // As compareBytes: byte-wise, a proper prefix first.
    int compare(const TextKey& other, const std::string& pool) const {
        const std::size_t n = std::min(length, other.length);
        int c = std::memcmp(head, other.head, std::min(n, Head));
        if (c == 0 && n > Head)
            c = std::memcmp(pool.data() + offset + Head, pool.data() + other.offset + Head,
                            n - Head);
        if (c != 0)
            return sign(c);
        return compareValues(length, other.length);
    }
};

struct SortKey {
    QString text;      // custom kind
    double number = 0; // numeric, date-time and time kinds
    bool ok = false;   // the conversion succeeded
};

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
        const QString text = Cells(ACol, row);
        numeric = numeric && conv.number(text);
        dateTime = dateTime && conv.dateTime(text);
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
    sortedList_.clear();
    rowsMoving();
    const int first = FixedRows();
    const int n = RowCount() - first;
    if (n <= 0)
        return;
    TSortedList entries(n);
    for (int i = 0; i < n; ++i) {
        entries[i].KeyText = Cells(ACol, first + i);
        entries[i].SourceRow = first + i;
    }

    // Each key is converted once; the comparison below then only compares values.
    const TSortOptions& o = SortOptions;
    const bool descending = o.Order == TSortOrder::soDescending;
    std::vector<int> order(n);
    if (o.Kind == TSortKind::skText || o.Kind == TSortKind::skAutomatic) {
        // Texts by their UTF-8 bytes, ties by row: a total order, so the keys themselves are
        // sorted, side by side in memory, instead of indices that point at them.
        std::string pool;
        std::vector<TextKey> texts(n);
        for (int i = 0; i < n; ++i) {
            const QByteArray bytes = entries[i].KeyText.toUtf8();
            texts[i] = TextKey::of(bytes, pool, i);
            if (!o.CaseSensitive) // the ASCII letters alone, as asciiUpper
                for (std::size_t b = texts[i].offset; b < pool.size(); ++b)
                    if (pool[b] >= 'a' && pool[b] <= 'z')
                        pool[b] = char(pool[b] - 32);
            texts[i].fillHead(pool);
        }
        std::sort(texts.begin(), texts.end(), [&](const TextKey& a, const TextKey& b) {
            const int r = a.compare(b, pool);
            return r == 0 ? a.index < b.index : (descending ? r > 0 : r < 0);
        });
        for (int j = 0; j < n; ++j)
            order[j] = texts[j].index;
    } else {
        std::vector<SortKey> keys(n);
        bool allNumbers = o.Kind != TSortKind::skCustom;
        {
            const Converter conv;
            for (int i = 0; i < n; ++i) {
                const QString text =
                    o.CaseSensitive ? entries[i].KeyText : asciiUpper(entries[i].KeyText);
                SortKey& k = keys[i];
                switch (o.Kind) {
                case TSortKind::skNumeric:
                    if (const auto v = conv.number(text)) {
                        k.number = *v;
                        k.ok = true;
                    }
                    break;
                case TSortKind::skDateTime:
                    if (const auto v = conv.dateTime(text)) {
                        k.number = double(*v);
                        k.ok = true;
                    }
                    break;
                case TSortKind::skTime:
                    if (const auto v = conv.time(text)) {
                        k.number = double(*v);
                        k.ok = true;
                    }
                    break;
                default: // skCustom
                    k.text = text;
                    break;
                }
                allNumbers = allNumbers && k.ok;
            }
        }
        if (allNumbers) {
            // Every text converted: numbers, ties by row, are a total order.
            std::vector<std::pair<double, int>> numbers(n);
            for (int i = 0; i < n; ++i)
                numbers[i] = {keys[i].number, i};
            std::sort(numbers.begin(), numbers.end(), [descending](const auto& a, const auto& b) {
                if (a.first < b.first)
                    return !descending;
                if (b.first < a.first)
                    return descending;
                return a.second < b.second;
            });
            for (int j = 0; j < n; ++j)
                order[j] = numbers[j].second;
        } else {
            auto compare = [&](int x, int y) {
                const SortKey &a = keys[x], &b = keys[y];
                int r = 0;
                if (o.Kind == TSortKind::skCustom)
                    r = o.Compare ? sign(o.Compare(a.text, b.text)) : 0;
                else
                    r = a.ok && b.ok ? compareValues(a.number, b.number) : 0;
                if (r == 0)
                    return compareValues(x, y); // source rows in the same order as the indices
                return descending ? -r : r;
            };
            for (int i = 0; i < n; ++i)
                order[i] = i;
            mergeSort(order, [&](int x, int y) { return compare(x, y) < 0; });
        }
    }

    sortedList_.resize(n);
    std::vector<int> sources(n);
    for (int j = 0; j < n; ++j) {
        sortedList_[j] = std::move(entries[order[j]]);
        sources[j] = sortedList_[j].SourceRow;
    }
    PermuteRows(first, sources);
    rowsMoved();

    // The current cell follows its row.
    const int current = Row();
    for (int j = 0; j < n; ++j) {
        if (sortedList_[j].SourceRow == current) {
            MoveToCell(Col(), first + j);
            break;
        }
    }
}

bool TSortingGrid::IsSortListValid() {
    if (int(sortedList_.size()) == RowCount() - FixedRows())
        return true;
    sortedList_.clear();
    return false;
}

void TSortingGrid::RestoreOrder() {
    if (sortedList_.empty() || !IsSortListValid())
        return;
    const int first = FixedRows();
    const int n = int(sortedList_.size());
    // The kept rows must still name every non-fixed row once (the fixed rows may have
    // changed since the sort); otherwise the undo would scramble rows.
    std::vector<int> sources(n, -1);
    for (int j = 0; j < n; ++j) {
        const int target = sortedList_[j].SourceRow - first;
        if (target < 0 || target >= n || sources[target] != -1) {
            sortedList_.clear();
            return;
        }
        sources[target] = first + j;
    }
    rowsMoving();
    PermuteRows(first, sources);
    rowsMoved();
    const int index = Row() - first;
    if (index >= 0 && index < n)
        MoveToCell(Col(), sortedList_[index].SourceRow);
    sortedList_.clear();
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
