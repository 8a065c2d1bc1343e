#pragma once
// Entry names stored in a code page: names without the UTF-8 flag are decoded in the code
// page the user chose, through the C library's converters (iconv). Automatic keeps the
// usual rule: the bytes themselves when they are valid UTF-8 or flagged so, else CP437.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ziplibs {

// The value is the Windows code page number, as the command records carry it; 0 is Automatic.
enum class NameEncoding : std::int32_t {
    Automatic = 0,
    Cp437 = 437,
    Cp850 = 850,
    Cp852 = 852,
    Cp866 = 866,
    Cp1250 = 1250,
    Cp1251 = 1251,
    Cp1252 = 1252,
    ShiftJis = 932,
    Gbk = 936,
    EucKr = 949,
    Big5 = 950,
};

struct NameEncodingInfo {
    NameEncoding encoding;
    const char* name;  // as the menu shows it and --encoding takes it
    const char* alias; // the other name --encoding takes (the code page), or null
    const char* iconvName;
};

// Every choice, Automatic first, in the order the menu lists them.
std::span<const NameEncodingInfo> nameEncodings();

// The encoding of a code page number (0 for Automatic); none for other numbers.
std::optional<NameEncoding> nameEncodingFromCode(std::int32_t code);

// The encoding named NAME or its alias, in any case; none for other names.
std::optional<NameEncoding> parseNameEncoding(std::string_view name);

// The UTF-8 form of a stored name: the bytes themselves when UTF8FLAG is set, else decoded in
// ENC. Automatic, and a name that is not valid in ENC, follow the usual rule.
std::string decodeName(std::string_view raw, bool utf8Flag, NameEncoding enc);

} // namespace ziplibs
