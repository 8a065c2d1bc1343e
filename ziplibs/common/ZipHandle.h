#pragma once
// An open libzip archive owned by RAII: dropped without writing unless it was closed.
#include <zip.h>

#include <memory>
#include <string>

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

} // namespace ziplibs
