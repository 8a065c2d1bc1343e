// A fake ZIPPER (FAKE_ZIPPER) or UNZIPPER (FAKE_UNZIPPER) library for the bridge tests.
// FAKE_NO_EXEC and FAKE_NO_VERSION leave out an entry point, for the loader's messages.
#include "tests/archive/FakeLibraryHooks.h"

#include <dlfcn.h>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

template <typename Hook> Hook findHook(const char* name) {
    return reinterpret_cast<Hook>(dlsym(RTLD_DEFAULT, name));
}

} // namespace

#ifdef FAKE_ZIPPER
#ifndef FAKE_NO_EXEC
FAKE_EXPORT std::int32_t ZipperExec(ZipCommandRecord* record) {
    FakeZipperHook hook = findHook<FakeZipperHook>(FakeZipperHookName);
    return hook ? hook(record) : FakeNoHookResult;
}
#endif
#ifndef FAKE_NO_VERSION
FAKE_EXPORT std::int32_t GetZipperVersion() {
    return 100;
}
#endif
#endif

#ifdef FAKE_UNZIPPER
#ifndef FAKE_NO_EXEC
FAKE_EXPORT std::int32_t UnzipperExec(UnzCommandRecord* record) {
    FakeUnzipperHook hook = findHook<FakeUnzipperHook>(FakeUnzipperHookName);
    return hook ? hook(record) : FakeNoHookResult;
}
#endif
#ifndef FAKE_NO_VERSION
FAKE_EXPORT std::int32_t GetUnzipperVersion() {
    return 100;
}
#endif
#endif
