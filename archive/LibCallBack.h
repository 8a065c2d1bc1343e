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
    std::int32_t ActionCode; // 1 new file, 2 progress, 3 end of batch, 4 message, 5 password
    std::int32_t ErrorCode;  // the code that goes with a message (4) or a password request (5)
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
// The library needs an archive password: Text names the entry that needs it (or, when
// adding, the archive) and ErrorCode says why (Password* below). The caller writes the
// password into Text, zero-ended, and answers CallbackContinue; an empty Text means it has
// none (the encrypted entries are then skipped with a message, as without this action);
// CallbackStop cancels the operation. The library copies the password out of the record and
// clears Text before it goes on.
inline constexpr std::int32_t ActionPassword = 5;

// Why a password is asked for (ErrorCode of action 5).
inline constexpr std::int32_t PasswordToRead = 0;    // an encrypted entry is to be read
inline constexpr std::int32_t PasswordWrong = 1;     // the last answer did not open entry Text
inline constexpr std::int32_t PasswordToEncrypt = 2; // the entries added are to be encrypted

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
