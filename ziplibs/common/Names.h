#pragma once
// Entry names: how they are decoded for display and matching, how a file path becomes a
// stored name, how name patterns match, and which names are safe to extract.
#include <string>
#include <string_view>
#include <vector>

namespace ziplibs {

bool isValidUtf8(std::string_view s);
bool isAscii(std::string_view s);

// Decodes 8-bit CP437 text into UTF-8. Bytes below 0x80 are kept as they are.
std::string cp437ToUtf8(std::string_view s);

// The UTF-8 form of a stored entry name: the bytes themselves when they are valid UTF-8 or
// the entry is flagged as UTF-8, else the bytes decoded as CP437.
std::string decodeEntryName(std::string_view raw, bool utf8Flag = false);

// Replaces every "\" by "/".
std::string forwardSlashes(std::string_view s);

bool hasWildcards(std::string_view s);

// Matches text against a pattern in which "*" stands for any run of characters (also
// across "/") and "?" for exactly one character (one UTF-8 sequence). Case-sensitive.
bool wildcardMatch(std::string_view pattern, std::string_view text);

// Whether a file spec names an entry: "\" and "/" count alike, a spec
// with "*" or "?" is a pattern (unless asPattern is false), and "dir" also names the folder
// entry "dir/".
bool specMatchesEntry(std::string_view spec, std::string_view entryName, bool asPattern = true);

// Which entries a list of file specs names. The caller hands back the names it was shown,
// and a name may itself hold "*" or "?": a spec that is the name of an entry of the archive
// names that entry alone, and only the other specs with "*" or "?" are patterns. Otherwise
// selecting "a*.txt" would also take "abc.txt".
class SpecMatcher {
public:
    SpecMatcher(const std::vector<std::string>& specs, const std::vector<std::string>& entryNames);
    std::size_t size() const { return specs_.size(); }
    const std::string& spec(std::size_t k) const { return specs_[k]; }
    bool matches(std::size_t k, std::string_view entryName) const {
        return specMatchesEntry(specs_[k], entryName, pattern_[k]);
    }

private:
    std::vector<std::string> specs_;
    std::vector<bool> pattern_;
};

// The name under which a file is stored: "/" separators, without a root or a drive, "."
// parts dropped and ".." parts resolved (those climbing above the start dropped); only the
// last part with noDirNames. Empty when nothing is left.
std::string storedNameFor(std::string_view path, bool noDirNames);

// The parts of a name split at "/" and "\", without empty parts.
std::vector<std::string> nameParts(std::string_view name);

// The result of checking an entry name before extraction.
struct SafeName {
    bool ok = false;
    bool isFolder = false;          // the name ends with a separator
    std::vector<std::string> parts; // the path below the target folder, "." parts removed
    std::string reason;             // why it was refused
    bool self = false;              // refused as made only of "." parts: the folder itself
};

// Refuses absolute names, drive prefixes ("C:"), ".." parts (with either separator) and
// names that leave nothing to write.
SafeName checkEntryName(std::string_view name);

// Whether a symbolic link's target stays below the folder the link is made in: relative,
// without a drive and without any ".." part.
bool isContainedLinkTarget(std::string_view target);

} // namespace ziplibs
