#include "platform/DynLib.h"

#include "platform/Files.h"

#include <cctype>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace platform {

std::string moduleFileName(const std::string& moduleName) {
#ifdef _WIN32
    return moduleName;
#else
    std::string name;
    name.reserve(moduleName.size());
    for (char c : moduleName)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string dll = ".dll";
    if (name.size() > dll.size() && name.compare(name.size() - dll.size(), dll.size(), dll) == 0)
        name.erase(name.size() - dll.size());
#ifdef __APPLE__
    const std::string suffix = ".dylib";
#else
    const std::string suffix = ".so";
#endif
    return "lib" + name + suffix;
#endif
}

#ifdef _WIN32

LibHandle loadLibrary(const std::string& moduleName) {
    return reinterpret_cast<LibHandle>(LoadLibraryA(moduleName.c_str()));
}

void* getProcAddress(LibHandle library, const char* name) {
    if (!library || !name)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void freeLibrary(LibHandle library) {
    if (library)
        FreeLibrary(static_cast<HMODULE>(library));
}

unsigned setErrorMode(unsigned mode) {
    return SetErrorMode(mode);
}

#else

LibHandle loadLibrary(const std::string& moduleName) {
    if (moduleName.empty())
        return nullptr;
    const std::string file = moduleFileName(moduleName);
    // The program's own folder first, then the current folder, as Windows looks for a bare
    // module name; both by full path so that dlopen loads exactly that file.
    for (const std::string& folder : {programDirectory(), currentDirectory()}) {
        if (folder.empty())
            continue;
        const std::string path = folder == "/" ? "/" + file : folder + "/" + file;
        if (!fileExists(path))
            continue;
        if (LibHandle handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
            return handle;
    }
    // Last the system's library path (a bare name makes dlopen search it).
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* getProcAddress(LibHandle library, const char* name) {
    if (!library || !name)
        return nullptr;
    return dlsym(library, name);
}

void freeLibrary(LibHandle library) {
    if (library)
        dlclose(library);
}

unsigned setErrorMode(unsigned mode) {
    // There are no critical-error dialogs to suppress here; only the value is kept, so that
    // saving and restoring the mode behaves as on Windows.
    static unsigned current = 0;
    const unsigned previous = current;
    current = mode;
    return previous;
}

#endif

} // namespace platform
