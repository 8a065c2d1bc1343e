#pragma once
// The link between the fake archive libraries and the test program that scripts them: a
// fake library's work entry point looks these functions up in the program (which exports
// its symbols) and hands them the command record.
#include "archive/UNZIPPER.h"
#include "archive/ZIPPER.h"

extern "C" {
typedef std::int32_t (*FakeZipperHook)(ZipCommandRecord* record);
typedef std::int32_t (*FakeUnzipperHook)(UnzCommandRecord* record);
}

inline constexpr const char* FakeZipperHookName = "quembly_fake_zipper_exec";
inline constexpr const char* FakeUnzipperHookName = "quembly_fake_unzipper_exec";
// What a fake's entry point returns when the program has no hook.
inline constexpr std::int32_t FakeNoHookResult = -7;
