#pragma once
// An open libzip archive owned by RAII: dropped without writing unless it was closed.
#include <zip.h>

#include "ziplibs/common/Names.h"

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

// The names of the archive's entries as the program shows them, in index order; an entry
// whose name cannot be read has an empty one.
inline std::vector<std::string> decodedEntryNames(zip_t* za) {
    std::vector<std::string> names;
    const zip_int64_t n = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        const char* raw = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        names.push_back(raw ? decodeEntryName(raw) : std::string());
    }
    return names;
}

} // namespace ziplibs
