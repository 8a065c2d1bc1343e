#pragma once
// How stored entry names become text: UTF-8 when the bytes are valid UTF-8 or the entry is
// flagged as UTF-8 (general flag bit 11), else the original PC code page 437.
#include <cstddef>
#include <string>
#include <string_view>

namespace zipformat {

// Length of the well-formed UTF-8 sequence at S[I], or 0 when it is not one (overlong
// forms, surrogates and code points above U+10FFFF are not well-formed).
std::size_t utf8SequenceLength(std::string_view s, std::size_t i);
bool isValidUtf8(std::string_view s);
bool isAscii(std::string_view s);

void appendUtf8(std::string& out, char32_t codePoint);

// Decodes 8-bit CP437 text into UTF-8. Bytes below 0x80 are kept as they are.
std::string cp437ToUtf8(std::string_view s);

// The UTF-8 form of a stored entry name: the bytes themselves when they are valid UTF-8 or
// the entry is flagged as UTF-8, else the bytes decoded as CP437.
std::string decodeEntryName(std::string_view raw, bool utf8Flag = false);

// A decoded name as a message shows it: control characters (a line break, a zero byte that
// would end the text) as "?".
std::string printableName(std::string_view text);

// S with every byte that starts no well-formed UTF-8 sequence shown as U+FFFD: the text of
// a name flagged as UTF-8 but damaged.
std::string repairedUtf8(std::string_view s);

} // namespace zipformat
