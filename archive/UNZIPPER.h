#pragma once
// The command record of the UNZIPPER library (extracts entries into the current folder).
// Fields are 32 bits in this order; on a 32-bit build the offsets in the comments hold
// exactly and the record is 16,464 bytes.
#include "archive/LibCallBack.h"

struct UnzCommandRecord {
    std::int32_t WindowHandle;       //  0: always 0
    void* Caller;                    //  4
    std::int32_t Reserved8;          //  8: 120
    LibCallbackFunc CallbackAddress; // 12
    std::int32_t TraceFlag;          // 16
    std::int32_t Reserved20;         // 20: 0 extracts; UnzTestMode tests instead
    std::int32_t Reserved24;         // 24: 0
    std::int32_t Reserved28;         // 28: 0
    std::int32_t Reserved32;         // 32: 0
    std::int32_t Reserved36;         // 36: 0
    std::int32_t Reserved40;         // 40: true
    std::int32_t VerboseFlag;        // 44
    std::int32_t UpdateFlag;         // 48
    std::int32_t FreshenFlag;        // 52
    std::int32_t DirNamesFlag;       // 56
    std::int32_t OverwriteFlag;      // 60
    std::int32_t SpecCount;          // 64
    char* ArchiveName;               // 68
    std::int32_t Reserved72;         // 72: 7
    char* Specs[MaxSpecs];           // 76
};

// The value of Reserved20 that asks the library to test the entries (read each one and check
// its CRC, writing nothing) instead of extracting them. Every caller before this mode sent 0
// there, and any value but this one still extracts.
inline constexpr std::int32_t UnzTestMode = 0x54455354; // "TEST"

extern "C" {
typedef std::int32_t(QUEMBLY_STDCALL* UnzipperExecFunc)(UnzCommandRecord* record);
typedef std::int32_t(QUEMBLY_STDCALL* GetUnzipperVersionFunc)();
}

namespace UNZIPPER {
extern void* UnzDllHandle;
extern UnzipperExecFunc UnzipperExec;
extern GetUnzipperVersionFunc GetUnzipperVersion;
} // namespace UNZIPPER
