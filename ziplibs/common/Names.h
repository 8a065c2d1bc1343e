#pragma once
// Entry names: how a file path becomes a stored name, how name patterns match, and which names are
// safe to extract.
#include "zipformat/Names.h"

#include <string>
#include <string_view>
#include <vector>

namespace ziplibs {

// The decoding of stored names is the format layer's.
using zipformat::cp437ToUtf8;
using zipformat::decodeEntryName;
using zipformat::isAscii;
using zipformat::isValidUtf8;

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
