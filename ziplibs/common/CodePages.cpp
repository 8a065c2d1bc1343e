#include "ziplibs/common/CodePages.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>

namespace ziplibs {

namespace {

constexpr NameEncodingInfo Encodings[] = {
    {NameEncoding::Automatic, "Automatic", nullptr, nullptr},
    {NameEncoding::Cp437, "CP437", nullptr, "CP437"},
    {NameEncoding::Cp850, "CP850", nullptr, "CP850"},
    {NameEncoding::Cp852, "CP852", nullptr, "CP852"},
    {NameEncoding::Cp866, "CP866", nullptr, "CP866"},
    {NameEncoding::Cp1250, "CP1250", nullptr, "CP1250"},
    {NameEncoding::Cp1251, "CP1251", nullptr, "CP1251"},
    {NameEncoding::Cp1252, "CP1252", nullptr, "CP1252"},
    // The Windows forms of the East Asian encodings: CP932 keeps 0x5C a backslash where
    // plain Shift-JIS makes it a yen sign, and the others are supersets of their standards.
    {NameEncoding::ShiftJis, "Shift-JIS", "CP932", "CP932"},
    {NameEncoding::Gbk, "GBK", "CP936", "CP936"},
    {NameEncoding::EucKr, "EUC-KR", "CP949", "CP949"},
    {NameEncoding::Big5, "Big5", "CP950", "CP950"},
};

bool sameName(std::string_view a, const char* b) {
    return b && std::equal(a.begin(), a.end(), b, b + std::char_traits<char>::length(b),
                           [](char x, char y) {
                               const auto lower = [](char c) {
                                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a')
                                                               : c;
                               };
                               return lower(x) == lower(y);
                           });
}

// The converters of this thread into UTF-8, opened once per source encoding.
class Converters {
public:
    ~Converters() {
        for (auto& [from, cd] : open_)
            if (cd != reinterpret_cast<iconv_t>(-1))
                iconv_close(cd);
    }
    iconv_t get(const char* from) {
        auto it = open_.find(from);
        if (it == open_.end())
            it = open_.emplace(from, iconv_open("UTF-8", from)).first;
        return it->second;
    }

private:
    std::map<std::string, iconv_t> open_;
};

// RAW converted from FROM into UTF-8; none when it is not valid text of FROM.
std::optional<std::string> convert(std::string_view raw, const char* from) {
    thread_local Converters converters;
    const iconv_t cd = converters.get(from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string in(raw);
    std::string out(raw.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    // Every byte of these encodings becomes at most four bytes of UTF-8, so the output never
    // runs out of room; an invalid or cut-short sequence refuses the whole name.
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace

std::span<const NameEncodingInfo> nameEncodings() {
    return Encodings;
}

std::optional<NameEncoding> nameEncodingFromCode(std::int32_t code) {
    for (const NameEncodingInfo& e : Encodings)
        if (static_cast<std::int32_t>(e.encoding) == code)
            return e.encoding;
    return std::nullopt;
}

std::optional<NameEncoding> parseNameEncoding(std::string_view name) {
    for (const NameEncodingInfo& e : Encodings)
        if (sameName(name, e.name) || sameName(name, e.alias))
            return e.encoding;
    return std::nullopt;
}

std::string decodeName(std::string_view raw, bool utf8Flag, NameEncoding enc) {
    if (utf8Flag)
        return std::string(raw);
    if (enc != NameEncoding::Automatic) {
        const auto* e = std::find_if(std::begin(Encodings), std::end(Encodings),
                                     [&](const NameEncodingInfo& i) { return i.encoding == enc; });
        if (e != std::end(Encodings))
            if (auto text = convert(raw, e->iconvName))
                return *text;
    }
    if (convert(raw, "UTF-8"))
        return std::string(raw);
    return convert(raw, "CP437").value_or(std::string(raw));
}

} // namespace ziplibs
