// How entry names are shown: UTF-8 when the stored bytes are valid UTF-8 or the entry is
// flagged as UTF-8 (general flag bit 11), else as the original PC code page 437 (the
// format layer's decoding).
#include "archive/Archiver.h"

#include "zipformat/Names.h"
#include "zipformat/Records.h"
#include "ziplibs/common/CodePages.h"

#include <cctype>

bool isValidUtf8(const std::string& bytes) {
    return zipformat::isValidUtf8(bytes);
}

std::string cp437ToUtf8(const std::string& bytes) {
    return zipformat::cp437ToUtf8(bytes);
}

std::string displayName(const ZipDirEntry& entry, std::int32_t nameEncoding) {
    if (!entry.UnicodeName.empty())
        return entry.UnicodeName;
    // An entry made by the reader has its whole name; FileName alone is the fallback.
    const std::string& name =
        entry.FullName.size() > entry.FileName.size() ? entry.FullName.str() : entry.FileName;
    if (nameEncoding != 0 && (entry.GeneralFlags & zipformat::FlagUtf8) == 0)
        if (const auto enc = ziplibs::nameEncodingFromCode(nameEncoding))
            return ziplibs::decodeName(name, false, *enc);
    if (zipformat::isValidUtf8(name))
        return name;
    if ((entry.GeneralFlags & zipformat::FlagUtf8) == 0)
        return zipformat::cp437ToUtf8(name);
    // Flagged as UTF-8 but damaged: the broken bytes show as replacement characters, so
    // the text handed on is always valid UTF-8.
    return zipformat::repairedUtf8(name);
}

bool isSelfExtractingName(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".exe";
}
