#pragma once
// Libraries loaded at run time. A module name such as "ZIPPER.DLL" maps to the platform's
// file ("libzipper.so" on Linux: lower case, "lib" prefix, ".so"; unchanged on Windows) and
// is searched in the program's own folder first, then the current folder, then the
// system's library path, as Windows searches for a bare name.
#include <string>

namespace platform {

using LibHandle = void*;

std::string moduleFileName(const std::string& moduleName);
// nullptr when the library cannot be found or loaded.
LibHandle loadLibrary(const std::string& moduleName);
void* getProcAddress(LibHandle library, const char* name);
void freeLibrary(LibHandle library);
// Windows' SetErrorMode; a no-op elsewhere. Returns the previous mode.
unsigned setErrorMode(unsigned mode);

} // namespace platform
