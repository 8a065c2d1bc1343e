// Compiled with -m32 only, never run: the records shared with the archive libraries must
// have exactly the 32-bit layout the libraries were built against.
#include "archive/LibCallBack.h"
#include "archive/UNZIPPER.h"
#include "archive/ZIPPER.h"

#include <cstddef>

static_assert(sizeof(void*) == 4, "compile this file with -m32");

#define AT(type, field, offset) static_assert(offsetof(type, field) == (offset), #field)

AT(ZipCommandRecord, WindowHandle, 0);
AT(ZipCommandRecord, Caller, 4);
AT(ZipCommandRecord, Reserved8, 8);
AT(ZipCommandRecord, CallbackAddress, 12);
AT(ZipCommandRecord, TraceFlag, 16);
AT(ZipCommandRecord, Reserved20, 20);
AT(ZipCommandRecord, Reserved24, 24);
AT(ZipCommandRecord, Reserved28, 28);
AT(ZipCommandRecord, HiddenFilesFlag, 32);
AT(ZipCommandRecord, Reserved36, 36);
AT(ZipCommandRecord, Reserved40, 40);
AT(ZipCommandRecord, Reserved44, 44);
AT(ZipCommandRecord, Reserved48, 48);
AT(ZipCommandRecord, VerboseFlag, 52);
AT(ZipCommandRecord, Reserved56, 56);
AT(ZipCommandRecord, CompressionLevel, 60);
AT(ZipCommandRecord, Reserved64, 64);
AT(ZipCommandRecord, Reserved68, 68);
AT(ZipCommandRecord, NoDirNamesFlag, 72);
AT(ZipCommandRecord, RecurseFlag, 76);
AT(ZipCommandRecord, Reserved80, 80);
AT(ZipCommandRecord, ForceDosFlag, 84);
AT(ZipCommandRecord, MoveFlag, 88);
AT(ZipCommandRecord, DeleteFlag, 92);
AT(ZipCommandRecord, UpdateFlag, 96);
AT(ZipCommandRecord, FreshenFlag, 100);
AT(ZipCommandRecord, EncryptMethod, 104);
AT(ZipCommandRecord, ZipTimeFlag, 108);
AT(ZipCommandRecord, Reserved112, 112);
AT(ZipCommandRecord, Reserved116, 116);
AT(ZipCommandRecord, SpecCount, 120);
AT(ZipCommandRecord, ArchiveName, 124);
AT(ZipCommandRecord, Reserved128, 128);
AT(ZipCommandRecord, Specs, 132);
static_assert(sizeof(ZipCommandRecord) == 16520);

AT(UnzCommandRecord, WindowHandle, 0);
AT(UnzCommandRecord, Caller, 4);
AT(UnzCommandRecord, Reserved8, 8);
AT(UnzCommandRecord, CallbackAddress, 12);
AT(UnzCommandRecord, TraceFlag, 16);
AT(UnzCommandRecord, Reserved20, 20);
AT(UnzCommandRecord, Reserved24, 24);
AT(UnzCommandRecord, Reserved28, 28);
AT(UnzCommandRecord, Reserved32, 32);
AT(UnzCommandRecord, Reserved36, 36);
AT(UnzCommandRecord, Reserved40, 40);
AT(UnzCommandRecord, VerboseFlag, 44);
AT(UnzCommandRecord, UpdateFlag, 48);
AT(UnzCommandRecord, FreshenFlag, 52);
AT(UnzCommandRecord, DirNamesFlag, 56);
AT(UnzCommandRecord, OverwriteFlag, 60);
AT(UnzCommandRecord, SpecCount, 64);
AT(UnzCommandRecord, ArchiveName, 68);
AT(UnzCommandRecord, Reserved72, 72);
AT(UnzCommandRecord, Specs, 76);
static_assert(sizeof(UnzCommandRecord) == 16464);

AT(CallbackRecord, Reserved0, 0);
AT(CallbackRecord, Caller, 4);
AT(CallbackRecord, Reserved8, 8);
AT(CallbackRecord, Reserved12, 12);
AT(CallbackRecord, ActionCode, 16);
AT(CallbackRecord, ErrorCode, 20);
AT(CallbackRecord, EntrySize, 24);
AT(CallbackRecord, Text, 28);

static_assert(sizeof(std::int32_t(*)(CallbackRecord*)) == 4);
static_assert(MaxSpecs == 4097);
