#include "ziplibs/common/Names.h"

#include <cstdint>
#include <set>

namespace ziplibs {

namespace {

// Unicode code points of CP437 bytes 0x80 to 0xFF.
constexpr char16_t cp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a valid one.
std::size_t utf8Length(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
    const std::uint8_t c = b(i);
    if (c < 0x80)
        return 1;
    std::size_t n;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not valid.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool hasDrivePrefix(std::string_view s) {
    return s.size() >= 2 && s[1] == ':' &&
           ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

} // namespace

bool isValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = utf8Length(s, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<std::uint8_t>(c) >= 0x80)
            return false;
    return true;
}

std::string cp437ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (char ch : s) {
        const auto c = static_cast<std::uint8_t>(ch);
        if (c < 0x80)
            out += ch;
        else
            appendUtf8(out, cp437High[c - 0x80]);
    }
    return out;
}

std::string decodeEntryName(std::string_view raw, bool utf8Flag) {
    if (utf8Flag || isValidUtf8(raw))
        return std::string(raw);
    return cp437ToUtf8(raw);
}

std::string forwardSlashes(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

bool hasWildcards(std::string_view s) {
    return s.find_first_of("*?") != std::string_view::npos;
}

bool wildcardMatch(std::string_view p, std::string_view t) {
    // Iterative matching with one back-tracking point for the last "*".
    std::size_t pi = 0, ti = 0;
    std::size_t starP = std::string_view::npos, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starT = ti;
            continue;
        }
        if (pi < p.size() && p[pi] == '?') {
            const std::size_t n = utf8Length(t, ti);
            ti += n == 0 ? 1 : n;
            ++pi;
            continue;
        }
        if (pi < p.size() && p[pi] == t[ti]) {
            ++pi;
            ++ti;
            continue;
        }
        if (starP == std::string_view::npos)
            return false;
        pi = starP + 1;
        ti = ++starT;
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

bool specMatchesEntry(std::string_view spec, std::string_view entryName, bool asPattern) {
    const std::string s = forwardSlashes(spec);
    const std::string e = forwardSlashes(entryName);
    if (s.empty())
        return false;
    if (s == e || (e.size() == s.size() + 1 && e.back() == '/' && e.compare(0, s.size(), s) == 0))
        return true;
    return asPattern && hasWildcards(s) && wildcardMatch(s, e);
}

SpecMatcher::SpecMatcher(const std::vector<std::string>& specs,
                         const std::vector<std::string>& entryNames)
    : specs_(specs), pattern_(specs.size(), false) {
    std::set<std::string> literal;
    for (std::size_t k = 0; k < specs_.size(); ++k)
        if (hasWildcards(specs_[k]))
            literal.insert(forwardSlashes(specs_[k]));
    if (literal.empty())
        return;
    // The specs with "*" or "?" that are some entry's own name.
    std::set<std::string> named;
    for (const std::string& raw : entryNames) {
        std::string e = forwardSlashes(raw);
        if (literal.count(e))
            named.insert(e);
        if (!e.empty() && e.back() == '/') {
            e.pop_back();
            if (literal.count(e))
                named.insert(e);
        }
    }
    for (std::size_t k = 0; k < specs_.size(); ++k)
        pattern_[k] = hasWildcards(specs_[k]) && !named.count(forwardSlashes(specs_[k]));
}

std::vector<std::string> nameParts(std::string_view name) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : name) {
        if (isSeparator(c)) {
            if (!cur.empty())
                parts.push_back(std::move(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        parts.push_back(std::move(cur));
    return parts;
}

std::string storedNameFor(std::string_view path, bool noDirNames) {
    if (hasDrivePrefix(path))
        path.remove_prefix(2);
    std::vector<std::string> kept;
    for (auto& part : nameParts(path)) {
        if (part == ".")
            continue;
        if (part == "..") {
            // Resolved against the parts before it; one that would climb above the start
            // is dropped, so that no stored name begins with "..".
            if (!kept.empty())
                kept.pop_back();
            continue;
        }
        kept.push_back(std::move(part));
    }
    if (kept.empty())
        return {};
    if (noDirNames)
        return kept.back();
    std::string out;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i)
            out += '/';
        out += kept[i];
    }
    return out;
}

SafeName checkEntryName(std::string_view name) {
    SafeName r;
    if (name.empty()) {
        r.reason = "empty name";
        return r;
    }
    if (isSeparator(name.front())) {
        r.reason = "absolute path";
        return r;
    }
    if (hasDrivePrefix(name)) {
        r.reason = "drive prefix";
        return r;
    }
    r.isFolder = isSeparator(name.back());
    for (auto& part : nameParts(name)) {
        if (part == "..") {
            r.reason = "\"..\" in the path";
            r.parts.clear();
            return r;
        }
        if (part != ".")
            r.parts.push_back(std::move(part));
    }
    if (r.parts.empty()) {
        r.reason = "no file name";
        r.self = true;
        return r;
    }
    r.ok = true;
    return r;
}

bool isContainedLinkTarget(std::string_view target) {
    if (target.empty() || isSeparator(target.front()) || hasDrivePrefix(target))
        return false;
    for (const auto& part : nameParts(target))
        if (part == "..")
            return false;
    return true;
}

} // namespace ziplibs
