#pragma once

// A decoder library for tests: the 19 exports as functions whose answers
// the test sets and whose calls it reads back. It stands behind the
// headless library loader under the decoder library's file name.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "music/decoder_abi.h"
#include "music/mpeg_play.h"
#include "platform/headless/headless_library.h"

namespace kestro::testing {

struct FakeDecoder {
  // Answers.
  std::int32_t initAnswer = 1;
  std::int32_t initError = 0;
  std::int32_t openError = 0;
  std::int32_t playResult = 0;
  std::int32_t playError = 0;
  std::int32_t position = 0;
  std::int32_t length = 3000;
  std::int32_t queryError = 0;  // what LastError answers after the queries
  // State and record.
  std::int32_t lastError = 0;
  std::int32_t mode = mpegdll::kModeNoStream;
  std::vector<std::string> calls;
  std::string openedName;
  std::int32_t fromStream = -1;
  mpegdll::OpenStreamCallback openCb = nullptr;
  mpegdll::CloseStreamCallback closeCb = nullptr;
  mpegdll::RestartStreamCallback restartCb = nullptr;
  mpegdll::ReadStreamCallback readCb = nullptr;
  mpegdll::SeekStreamCallback seekCb = nullptr;
  mpegdll::StreamSizeCallback sizeCb = nullptr;
  void* user = nullptr;
  std::uint8_t* endFlag = nullptr;
  std::int32_t priority = -99;
  std::int32_t device = -1;
  std::string outName;

  // The playing stream reaches its end: the library writes the end byte.
  void Finish() {
    mode = mpegdll::kModeEnded;
    if (endFlag != nullptr) *endFlag = 1;
  }
  // How many calls of an export were made.
  int Count(const std::string& name) const {
    int n = 0;
    for (const std::string& c : calls) n += c.rfind(name, 0) == 0 ? 1 : 0;
    return n;
  }
};

inline FakeDecoder& Fake() {
  static FakeDecoder fake;
  return fake;
}

namespace fake_exports {

inline std::int32_t MPEGDLL_CALL init() {
  Fake().calls.push_back("init");
  Fake().lastError = Fake().initError;
  return Fake().initAnswer;
}
inline std::int32_t MPEGDLL_CALL deinit() {
  Fake().calls.push_back("deinit");
  return 0;
}
inline std::int32_t MPEGDLL_CALL Open(const char* name, std::int32_t fromStream, mpegdll::OpenStreamCallback o,
                                      mpegdll::CloseStreamCallback c, mpegdll::RestartStreamCallback r,
                                      mpegdll::ReadStreamCallback rd, mpegdll::SeekStreamCallback s,
                                      mpegdll::StreamSizeCallback z, void* user) {
  FakeDecoder& f = Fake();
  f.openedName = name != nullptr ? std::string(name) : std::string();
  f.calls.push_back("Open " + f.openedName);
  f.fromStream = fromStream;
  f.openCb = o;
  f.closeCb = c;
  f.restartCb = r;
  f.readCb = rd;
  f.seekCb = s;
  f.sizeCb = z;
  f.user = user;
  f.lastError = f.openError;
  if (f.openError == 0) f.mode = mpegdll::kModeOpened;
  return 0;
}
inline std::int32_t MPEGDLL_CALL Play(std::int32_t start, std::int32_t end, std::uint8_t* flag) {
  FakeDecoder& f = Fake();
  f.calls.push_back("Play " + std::to_string(start) + " " + std::to_string(end));
  f.endFlag = flag;
  f.lastError = f.playError;
  if (f.playError == 0 && f.playResult == 0) f.mode = mpegdll::kModePlaying;
  return f.playResult;
}
inline std::int32_t MPEGDLL_CALL Pause(std::int32_t resume) {
  Fake().calls.push_back("Pause " + std::to_string(resume));
  Fake().lastError = 0;
  return 0;
}
inline std::int32_t MPEGDLL_CALL Restart() {
  Fake().calls.push_back("Restart");
  Fake().lastError = 0;
  Fake().mode = mpegdll::kModePlaying;
  return 0;
}
inline std::int32_t MPEGDLL_CALL Stop() {
  Fake().calls.push_back("Stop");
  Fake().lastError = 0;
  Fake().mode = mpegdll::kModeOpened;
  return 0;
}
inline std::int32_t MPEGDLL_CALL Close() {
  Fake().calls.push_back("Close");
  Fake().lastError = 0;
  Fake().mode = mpegdll::kModeNoStream;
  return 0;
}
inline std::int32_t MPEGDLL_CALL SetPriority(std::int32_t value) {
  Fake().calls.push_back("SetPriority " + std::to_string(value));
  Fake().priority = value;
  Fake().lastError = 0;
  return 0;
}
inline std::int32_t MPEGDLL_CALL SetOutputDevice(std::int32_t device, const char* name) {
  Fake().calls.push_back("SetOutputDevice " + std::to_string(device));
  Fake().device = device;
  Fake().outName = name;
  Fake().lastError = 0;
  return 0;
}
inline std::int32_t MPEGDLL_CALL GetPlayerMode() {
  Fake().lastError = Fake().queryError;
  return Fake().mode;
}
inline std::int32_t MPEGDLL_CALL GetCurrentPos() {
  Fake().lastError = Fake().queryError;
  return Fake().position;
}
inline std::int32_t MPEGDLL_CALL GetLength() {
  Fake().lastError = Fake().queryError;
  return Fake().length;
}
inline std::int32_t MPEGDLL_CALL LastError() { return Fake().lastError; }
inline std::int32_t MPEGDLL_CALL Unused() {
  Fake().calls.push_back("unused");
  return 0;
}
inline std::int32_t MPEGDLL_CALL Seek(std::int32_t) {
  Fake().calls.push_back("unused");
  return 0;
}

}  // namespace fake_exports

// The fake's export table, by export name.
inline platform::HeadlessLibraryLoader::Exports FakeDecoderExports() {
  using namespace fake_exports;
  auto a = [](auto f) { return reinterpret_cast<void*>(f); };
  return {
      {"init", a(&init)},
      {"deinit", a(&deinit)},
      {"Open", a(&Open)},
      {"Pause", a(&Pause)},
      {"Restart", a(&Restart)},
      {"Stop", a(&Stop)},
      {"SetPriority", a(&SetPriority)},
      {"SetOutputDevice", a(&SetOutputDevice)},
      {"Play", a(&Play)},
      {"Close", a(&Close)},
      {"GetFrequency", a(&Unused)},
      {"GetBitrate", a(&Unused)},
      {"GetLayer", a(&Unused)},
      {"GetPlayerMode", a(&GetPlayerMode)},
      {"GetCurrentPos", a(&GetCurrentPos)},
      {"GetLength", a(&GetLength)},
      {"ResetPlayerMode", a(&Unused)},
      {"Seek", a(&Seek)},
      {"LastError", a(&LastError)},
  };
}

}  // namespace kestro::testing
