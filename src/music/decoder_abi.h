#pragma once

// The binary interface between the music player and the MP3 decoder
// library ("mpegdll"): the 19 exports and the six stream callbacks. Plain
// types only: the library builds against this header too.
//
// Every function takes its arguments on the stack and the callee removes
// them (stdcall on 32-bit Windows). Results are 32-bit integers. Booleans
// passed by address are single bytes (0 false, anything else true).
// Positions and lengths are milliseconds from the start of the stream.

#include <cstdint>

#if defined(_WIN32) && defined(__i386__)
#define MPEGDLL_CALL __attribute__((stdcall))
#else
#define MPEGDLL_CALL
#endif

namespace kestro::mpegdll {

// Player modes that GetPlayerMode answers.
enum : std::int32_t {
  kModeNoStream = 0,  // nothing open
  kModeOpened = 1,    // a stream is open and not playing (never started, or stopped)
  kModePlaying = 3,   // playing or paused, until the end-of-play byte is written
  kModeEnded = 4,     // played to its end
};

// Error numbers that LastError answers.
enum : std::int32_t {
  kErrNone = 0,
  kErrNotLoaded = 0,     // only the player raises it, when the library is missing
  kErrDecoder = 1,       // internal decoder error
  kErrMode = 2,          // incorrect mode: no stream open, nothing playing
  kErrInput = 3,         // the input cannot be opened or read, or is no MPEG audio
  kErrNonSeekable = 4,   // a seek on a stream that cannot seek
  kErrOutput = 5,        // output device failure (no device, no file to write)
};

// Output devices that SetOutputDevice takes.
enum : std::int32_t {
  kDeviceDefault = 0,  // the platform's default audio device (the wave mapper)
  kDevicePcmFile = 2,  // a WAV file with the decoded samples
};

// Buffers the player passes.
inline constexpr int kFileNameBuffer = 512;
inline constexpr int kOutFileNameBuffer = 260;

using OpenStreamCallback = void(MPEGDLL_CALL*)(void* user, std::uint8_t* nonseekable, void** context);
using CloseStreamCallback = void(MPEGDLL_CALL*)(void* user, void* context);
using RestartStreamCallback = void(MPEGDLL_CALL*)(void* user, void* context, std::uint8_t* res);
using ReadStreamCallback = void(MPEGDLL_CALL*)(void* user, void* context, void* buffer, std::int32_t toRead,
                                               std::int32_t* read, std::uint8_t* res);
using SeekStreamCallback = void(MPEGDLL_CALL*)(void* user, void* context, std::int32_t numBytes,
                                               std::int32_t moveMethod, std::int32_t* res);
using StreamSizeCallback = void(MPEGDLL_CALL*)(void* user, void* context, std::int32_t* res);

// Seek move methods, as the Windows file functions number them.
enum : std::int32_t { kSeekBegin = 0, kSeekCurrent = 1, kSeekEnd = 2 };

using InitFn = std::int32_t(MPEGDLL_CALL*)();
using OpenFn = std::int32_t(MPEGDLL_CALL*)(const char* fileName, std::int32_t fromStream, OpenStreamCallback,
                                           CloseStreamCallback, RestartStreamCallback, ReadStreamCallback,
                                           SeekStreamCallback, StreamSizeCallback, void* user);
using PlayFn = std::int32_t(MPEGDLL_CALL*)(std::int32_t startPos, std::int32_t endPos, std::uint8_t* endFlag);
using IntArgFn = std::int32_t(MPEGDLL_CALL*)(std::int32_t value);
using SetOutputDeviceFn = std::int32_t(MPEGDLL_CALL*)(std::int32_t device, const char* fileName);
using NoArgFn = std::int32_t(MPEGDLL_CALL*)();

// The exports, in the order the player looks them up.
inline constexpr const char* kExportNames[19] = {
    "init", "deinit", "Open", "Pause", "Restart", "Stop", "SetPriority", "SetOutputDevice", "Play", "Close",
    "GetFrequency", "GetBitrate", "GetLayer", "GetPlayerMode", "GetCurrentPos", "GetLength", "ResetPlayerMode",
    "Seek", "LastError"};

}  // namespace kestro::mpegdll
