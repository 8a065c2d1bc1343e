// The records on this (64-bit) build: the fields keep the order of the 32-bit interface,
// and the entry header keeps the exact byte layout of a local file header's bytes 4 to 29.
#include "archive/Archiver.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

namespace {

#define BEFORE(type, a, b) static_assert(offsetof(type, a) < offsetof(type, b), #a " before " #b)

BEFORE(ZipCommandRecord, WindowHandle, Caller);
BEFORE(ZipCommandRecord, Caller, Reserved8);
BEFORE(ZipCommandRecord, Reserved8, CallbackAddress);
BEFORE(ZipCommandRecord, CallbackAddress, TraceFlag);
BEFORE(ZipCommandRecord, TraceFlag, Reserved20);
BEFORE(ZipCommandRecord, Reserved28, HiddenFilesFlag);
BEFORE(ZipCommandRecord, HiddenFilesFlag, Reserved36);
BEFORE(ZipCommandRecord, Reserved48, VerboseFlag);
BEFORE(ZipCommandRecord, VerboseFlag, Reserved56);
BEFORE(ZipCommandRecord, Reserved56, CompressionLevel);
BEFORE(ZipCommandRecord, CompressionLevel, Reserved64);
BEFORE(ZipCommandRecord, Reserved68, NoDirNamesFlag);
BEFORE(ZipCommandRecord, NoDirNamesFlag, RecurseFlag);
BEFORE(ZipCommandRecord, RecurseFlag, Reserved80);
BEFORE(ZipCommandRecord, Reserved80, ForceDosFlag);
BEFORE(ZipCommandRecord, ForceDosFlag, MoveFlag);
BEFORE(ZipCommandRecord, MoveFlag, DeleteFlag);
BEFORE(ZipCommandRecord, DeleteFlag, UpdateFlag);
BEFORE(ZipCommandRecord, UpdateFlag, FreshenFlag);
BEFORE(ZipCommandRecord, FreshenFlag, EncryptMethod);
BEFORE(ZipCommandRecord, EncryptMethod, ZipTimeFlag);
BEFORE(ZipCommandRecord, ZipTimeFlag, Reserved112);
BEFORE(ZipCommandRecord, Reserved116, SpecCount);
BEFORE(ZipCommandRecord, SpecCount, ArchiveName);
BEFORE(ZipCommandRecord, ArchiveName, Reserved128);
BEFORE(ZipCommandRecord, Reserved128, Specs);
static_assert(offsetof(ZipCommandRecord, Specs) + MaxSpecs * sizeof(char*) ==
              sizeof(ZipCommandRecord));

BEFORE(UnzCommandRecord, WindowHandle, Caller);
BEFORE(UnzCommandRecord, Caller, Reserved8);
BEFORE(UnzCommandRecord, Reserved8, CallbackAddress);
BEFORE(UnzCommandRecord, CallbackAddress, TraceFlag);
BEFORE(UnzCommandRecord, TraceFlag, Reserved20);
BEFORE(UnzCommandRecord, Reserved36, Reserved40);
BEFORE(UnzCommandRecord, Reserved40, VerboseFlag);
BEFORE(UnzCommandRecord, VerboseFlag, UpdateFlag);
BEFORE(UnzCommandRecord, UpdateFlag, FreshenFlag);
BEFORE(UnzCommandRecord, FreshenFlag, DirNamesFlag);
BEFORE(UnzCommandRecord, DirNamesFlag, OverwriteFlag);
BEFORE(UnzCommandRecord, OverwriteFlag, SpecCount);
BEFORE(UnzCommandRecord, SpecCount, ArchiveName);
BEFORE(UnzCommandRecord, ArchiveName, Reserved72);
BEFORE(UnzCommandRecord, Reserved72, Specs);
static_assert(offsetof(UnzCommandRecord, Specs) + MaxSpecs * sizeof(char*) ==
              sizeof(UnzCommandRecord));

BEFORE(CallbackRecord, Reserved0, Caller);
BEFORE(CallbackRecord, Caller, Reserved8);
BEFORE(CallbackRecord, Reserved12, ActionCode);
BEFORE(CallbackRecord, ActionCode, ErrorCode);
BEFORE(CallbackRecord, ErrorCode, EntrySize);
BEFORE(CallbackRecord, EntrySize, Text);

static_assert(std::is_trivially_copyable_v<ZipCommandRecord>);
static_assert(std::is_trivially_copyable_v<UnzCommandRecord>);
static_assert(std::is_standard_layout_v<CallbackRecord>);

// Bytes 4 to 29 of a local file header, with no gaps.
static_assert(offsetof(ZipDirEntryHeader, VersionNeeded) == 0);
static_assert(offsetof(ZipDirEntryHeader, GeneralFlags) == 2);
static_assert(offsetof(ZipDirEntryHeader, CompressionMethod) == 4);
static_assert(offsetof(ZipDirEntryHeader, DateTime) == 6);
static_assert(offsetof(ZipDirEntryHeader, Crc32) == 10);
static_assert(offsetof(ZipDirEntryHeader, CompressedSize) == 14);
static_assert(offsetof(ZipDirEntryHeader, UncompressedSize) == 18);
static_assert(offsetof(ZipDirEntryHeader, FileNameLength) == 22);
static_assert(offsetof(ZipDirEntryHeader, ExtraFieldLength) == 24);

// The option sets are one byte each with value n at bit n; the windows build them from
// check boxes and the records take their flags from them.
TEST(OptionSets, EveryValueIsItsOwnBit) {
    static_assert(sizeof(AddOpts) == 1 && sizeof(ExtrOpts) == 1);
    const std::pair<AddOptsEnum, std::uint8_t> add[] = {
        {AddOptsEnum::AddDirNames, 0x01}, {AddOptsEnum::AddRecurseDirs, 0x02},
        {AddOptsEnum::AddMove, 0x04},     {AddOptsEnum::AddFreshen, 0x08},
        {AddOptsEnum::AddUpdate, 0x10},   {AddOptsEnum::AddZipTime, 0x20},
        {AddOptsEnum::AddForceDOS, 0x40}, {AddOptsEnum::AddHiddenFiles, 0x80}};
    for (auto [value, bit] : add)
        EXPECT_EQ(AddOpts{value}.bits(), bit);
    const std::pair<ExtrOptsEnum, std::uint8_t> extr[] = {{ExtrOptsEnum::ExtrDirNames, 0x01},
                                                          {ExtrOptsEnum::ExtrOverWrite, 0x02},
                                                          {ExtrOptsEnum::ExtrFreshen, 0x04},
                                                          {ExtrOptsEnum::ExtrUpdate, 0x08}};
    for (auto [value, bit] : extr)
        EXPECT_EQ(ExtrOpts{value}.bits(), bit);
    AddOpts all = AddOpts::fromBits(0xFF);
    all.exclude(AddOptsEnum::AddMove);
    EXPECT_EQ(all.bits(), 0xFB);
    EXPECT_FALSE(all.contains(AddOptsEnum::AddMove));
    EXPECT_TRUE(all.contains(AddOptsEnum::AddHiddenFiles));
}

} // namespace
