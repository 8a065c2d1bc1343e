#pragma once
// The record through which the two archive libraries report back to their caller. Every
// field is 32 bits and little-endian; Text is the file name (action 1) or the message
// (action 4), ended by a zero byte.
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define QUEMBLY_STDCALL __stdcall
#else
#define QUEMBLY_STDCALL
#endif

// Room for the longest name a ZIP entry can have (65,535 bytes) with a message around it.
inline constexpr int CallbackTextSize = 65536 + 512;

struct CallbackRecord {
    std::int32_t Reserved0;  // not read by the caller
    void* Caller;            // the Caller of the command record of the running call
    std::int32_t Reserved8;  // not read by the caller
    std::int32_t Reserved12; // not read by the caller
    std::int32_t ActionCode; // 1 new file, 2 progress, 3 end of batch, 4 message
    std::int32_t ErrorCode;  // the code that goes with a message (action 4)
    std::int32_t EntrySize;  // the size that goes with a new file (action 1)
    char Text[CallbackTextSize];
};

// Callback answers.
inline constexpr std::int32_t CallbackContinue = 0;
inline constexpr std::int32_t CallbackStop = -1;

// Action codes.
inline constexpr std::int32_t ActionNewFile = 1;
inline constexpr std::int32_t ActionProgress = 2;
inline constexpr std::int32_t ActionEndOfBatch = 3;
inline constexpr std::int32_t ActionMessage = 4;

// A flag in the records is true as -1 and false as 0.
inline constexpr std::int32_t RecordTrue = -1;
inline constexpr std::int32_t RecordFalse = 0;

// Bytes of progress between two action-2 callbacks.
inline constexpr std::int32_t ProgressChunk = 32768;

// The most file specs one command record carries.
inline constexpr int MaxSpecs = 4097;

extern "C" {
typedef std::int32_t(QUEMBLY_STDCALL* LibCallbackFunc)(CallbackRecord* record);
}
