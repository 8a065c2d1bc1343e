#include "ziplibs/common/Names.h"

#include <cstdint>
#include <set>

namespace ziplibs {

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool hasDrivePrefix(std::string_view s) {
    return s.size() >= 2 && s[1] == ':' &&
           ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

} // namespace

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
            const std::size_t n = zipformat::utf8SequenceLength(t, ti);
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
