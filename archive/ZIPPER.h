#pragma once
// The command record of the ZIPPER library (adds files to an archive, creating it when
// missing, and deletes entries). Fields are 32 bits in this order; on a 32-bit build the
// offsets in the comments hold exactly and the record is 16,520 bytes. Texts are separately
// allocated zero-ended buffers that live for one call.
#include "archive/LibCallBack.h"

struct ZipCommandRecord {
    std::int32_t WindowHandle;       //   0: always 0
    void* Caller;                    //   4: handed back in every CallbackRecord
    std::int32_t Reserved8;          //   8: 120
    LibCallbackFunc CallbackAddress; //  12
    std::int32_t TraceFlag;          //  16
    std::int32_t Reserved20;         //  20: 0
    std::int32_t Reserved24;         //  24: 0
    std::int32_t Reserved28;         //  28: 0
    std::int32_t HiddenFilesFlag;    //  32
    std::int32_t Reserved36;         //  36: 0
    std::int32_t Reserved40;         //  40: 0
    std::int32_t Reserved44;         //  44: true
    std::int32_t Reserved48;         //  48: 0
    std::int32_t VerboseFlag;        //  52
    std::int32_t Reserved56;         //  56: true
    std::int32_t CompressionLevel;   //  60: 0 stores, 1 to 9 deflate
    std::int32_t Reserved64;         //  64: 0
    std::int32_t Reserved68;         //  68: 0
    std::int32_t NoDirNamesFlag;     //  72
    std::int32_t RecurseFlag;        //  76
    std::int32_t Reserved80;         //  80: true for add, false for delete
    std::int32_t ForceDosFlag;       //  84
    std::int32_t MoveFlag;           //  88
    std::int32_t DeleteFlag;         //  92
    std::int32_t UpdateFlag;         //  96
    std::int32_t FreshenFlag;        // 100
    std::int32_t EncryptMethod;      // 104: ZipEncrypt* below; 0 adds unencrypted
    std::int32_t ZipTimeFlag;        // 108
    std::int32_t Reserved112;        // 112: 0
    std::int32_t Reserved116;        // 116: 0
    std::int32_t SpecCount;          // 120
    char* ArchiveName;               // 124
    std::int32_t Reserved128;        // 128: 7
    char* Specs[MaxSpecs];           // 132
};

// How added entries are encrypted (EncryptMethod). With either method the library asks for
// the password once per call through the callback (action 5, PasswordToEncrypt); entries
// already in the archive keep their own encryption.
inline constexpr std::int32_t ZipEncryptNone = 0;
inline constexpr std::int32_t ZipEncryptAes256 = 1;
inline constexpr std::int32_t ZipEncryptZipCrypto = 2;

extern "C" {
typedef std::int32_t(QUEMBLY_STDCALL* ZipperExecFunc)(ZipCommandRecord* record);
typedef std::int32_t(QUEMBLY_STDCALL* GetZipperVersionFunc)();
}

// The library state shared by the whole process: one handle and entry point set.
namespace ZIPPER {
extern void* ZipDllHandle;
extern ZipperExecFunc ZipperExec;
extern GetZipperVersionFunc GetZipperVersion;
} // namespace ZIPPER
