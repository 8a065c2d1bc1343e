#pragma once
// An open libzip archive owned by RAII: dropped without writing unless it was closed.
#include <zip.h>

#include "ziplibs/common/CodePages.h"
#include "ziplibs/common/Names.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace ziplibs {

struct ZipDiscard {
    void operator()(zip_t* za) const {
        if (za)
            zip_discard(za);
    }
};
using ZipPtr = std::unique_ptr<zip_t, ZipDiscard>;

// libzip's text for an open error code.
inline std::string zipErrorText(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    std::string text = zip_error_strerror(&e);
    zip_error_fini(&e);
    return text;
}

// The name of entry IDX as the program shows it, from its stored bytes RAW, with names
// without the UTF-8 flag decoded in ENC. libzip keeps the flag to itself, but its strict
// reading hands back the stored bytes only for a flagged name (or a plain ASCII one, which
// every encoding here reads alike).
inline std::string entryName(zip_t* za, zip_uint64_t idx, const char* raw, NameEncoding enc) {
    if (enc == NameEncoding::Automatic)
        return decodeEntryName(raw);
    const char* strict = zip_get_name(za, idx, ZIP_FL_ENC_STRICT);
    return decodeName(raw, strict && std::strcmp(strict, raw) == 0, enc);
}

// The names of the archive's entries as the program shows them, in index order; an entry
// whose name cannot be read has an empty one.
inline std::vector<std::string> decodedEntryNames(zip_t* za,
                                                  NameEncoding enc = NameEncoding::Automatic) {
    std::vector<std::string> names;
    const zip_int64_t n = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        const auto idx = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(za, idx, ZIP_FL_ENC_RAW);
        names.push_back(raw ? entryName(za, idx, raw, enc) : std::string());
    }
    return names;
}

} // namespace ziplibs
