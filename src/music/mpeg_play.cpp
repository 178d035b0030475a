#include "music/mpeg_play.h"

#include <cstring>

#include "common/paths.h"
#include "music/decoder_abi.h"

namespace kestro {

namespace abi = mpegdll;

namespace {

constexpr const char* kErrorMessages[6] = {
    "MPEG library not loaded", "Internal decoder error", "Incorrect mode",
    "Input stream error",      "Input stream is non-seekable", "Output device failure",
};

// The stream callbacks given to "Open": each passes to the player's event
// when one is assigned and stores the default result otherwise. They may be
// called from the library's decoding thread; an event that raises gives
// the default result.
TMPEGPlayer& Of(void* user) { return *static_cast<TMPEGPlayer*>(user); }

void MPEGDLL_CALL OpenStream(void* user, std::uint8_t* nonseekable, void** context) {
  void* ctx = nullptr;
  bool ns = nonseekable != nullptr && *nonseekable != 0;
  try {
    if (Of(user).OnOpenStream) Of(user).OnOpenStream(ns, ctx);
  } catch (...) {
    ctx = nullptr;
  }
  if (nonseekable != nullptr) *nonseekable = ns ? 1 : 0;
  if (context != nullptr) *context = ctx;
}

void MPEGDLL_CALL CloseStream(void* user, void* context) {
  try {
    if (Of(user).OnCloseStream) Of(user).OnCloseStream(context);
  } catch (...) {
  }
}

void MPEGDLL_CALL RestartStream(void* user, void* context, std::uint8_t* res) {
  bool ok = false;
  try {
    if (Of(user).OnRestartStream) Of(user).OnRestartStream(context, ok);
  } catch (...) {
    ok = false;
  }
  if (res != nullptr) *res = ok ? 1 : 0;
}

void MPEGDLL_CALL ReadStream(void* user, void* context, void* buffer, std::int32_t toRead, std::int32_t* read,
                             std::uint8_t* res) {
  bool ok = false;
  std::int32_t got = 0;
  try {
    if (Of(user).OnReadStream) Of(user).OnReadStream(context, buffer, toRead, got, ok);
  } catch (...) {
    ok = false;
  }
  if (read != nullptr) *read = got;
  if (res != nullptr) *res = ok ? 1 : 0;
}

void MPEGDLL_CALL SeekStream(void* user, void* context, std::int32_t numBytes, std::int32_t moveMethod,
                             std::int32_t* res) {
  std::int32_t result = -1;
  try {
    if (Of(user).OnSeekStream) Of(user).OnSeekStream(context, numBytes, moveMethod, result);
  } catch (...) {
    result = -1;
  }
  if (res != nullptr) *res = result;
}

void MPEGDLL_CALL StreamSize(void* user, void* context, std::int32_t* res) {
  std::int32_t result = -1;
  try {
    if (Of(user).OnGetStreamSize) Of(user).OnGetStreamSize(context, result);
  } catch (...) {
    result = -1;
  }
  if (res != nullptr) *res = result;
}

// Copies text into a zero-terminated buffer of `size` bytes, cut to size - 1 characters.
template <std::size_t N>
void CopyName(char (&buffer)[N], const std::string& text) {
  const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

}  // namespace

// The 19 exports, looked up by name, in the order of abi::kExportNames.
struct TMPEGPlayer::Exports {
  enum Index {
    kInit, kDeinit, kOpen, kPause, kRestart, kStop, kSetPriority, kSetOutputDevice, kPlay, kClose,
    kGetFrequency, kGetBitrate, kGetLayer, kGetPlayerMode, kGetCurrentPos, kGetLength, kResetPlayerMode,
    kSeek, kLastError, kCount
  };
  static_assert(kCount == sizeof abi::kExportNames / sizeof abi::kExportNames[0]);
  void* at[kCount] = {};

  std::int32_t init() const { return reinterpret_cast<abi::InitFn>(at[kInit])(); }
  std::int32_t open(const char* name, std::int32_t fromStream, abi::OpenStreamCallback o, abi::CloseStreamCallback c,
                    abi::RestartStreamCallback rs, abi::ReadStreamCallback rd, abi::SeekStreamCallback sk,
                    abi::StreamSizeCallback sz, void* user) const {
    return reinterpret_cast<abi::OpenFn>(at[kOpen])(name, fromStream, o, c, rs, rd, sk, sz, user);
  }
  std::int32_t play(std::int32_t start, std::int32_t end, std::uint8_t* flag) const {
    return reinterpret_cast<abi::PlayFn>(at[kPlay])(start, end, flag);
  }
  std::int32_t setOutputDevice(std::int32_t device, const char* name) const {
    return reinterpret_cast<abi::SetOutputDeviceFn>(at[kSetOutputDevice])(device, name);
  }
  std::int32_t withArg(Index i, std::int32_t value) const { return reinterpret_cast<abi::IntArgFn>(at[i])(value); }
  std::int32_t call(Index i) const { return reinterpret_cast<abi::NoArgFn>(at[i])(); }
};

std::string MPEGErrorMessage(std::int32_t code) {
  if (code >= 0 && code < 6) return kErrorMessages[code];
  return "MPEG library error " + std::to_string(code);
}

TMPEGError::TMPEGError(std::int32_t code)
    : Exception(MPEGErrorMessage(code)), ErrorCode(static_cast<std::uint8_t>(code & 0xFF)) {}

std::int32_t PriorityValueOf(TPlayPriority priority) {
  switch (priority) {
    case TPlayPriority::Idle: return -15;
    case TPlayPriority::Lowest: return -2;
    case TPlayPriority::BelowNormal: return -1;
    case TPlayPriority::Normal: return 0;
    case TPlayPriority::AboveNormal: return 1;
    case TPlayPriority::Highest: return 2;
    case TPlayPriority::TimeCritical: return 15;
  }
  return 0;
}

TMPEGPlayer::TMPEGPlayer() : exports_(std::make_unique<Exports>()) {}

// Frees the timer only: the library stays loaded, and whatever it plays goes on.
TMPEGPlayer::~TMPEGPlayer() = default;

void TMPEGPlayer::SetPlayerPriority(TPlayPriority priority) {
  priority_ = priority;
  priorityValue_ = PriorityValueOf(priority);
  if (Loaded()) {
    exports_->withArg(Exports::kSetPriority, priorityValue_);
    CheckLastError();
  }
}

void TMPEGPlayer::SetUseTimer(bool use) {
  useTimer_ = use;
  if (positionTimer_) positionTimer_->SetInterval(useTimer_ ? static_cast<std::uint32_t>(timerFreq_) : 0);
}

void TMPEGPlayer::SetTimerFreq(std::int32_t milliseconds) {
  timerFreq_ = milliseconds < 0 ? 0 : milliseconds;
  if (timerFreq_ == 0) useTimer_ = false;
  if (positionTimer_) positionTimer_->SetInterval(useTimer_ ? static_cast<std::uint32_t>(timerFreq_) : 0);
}

void TMPEGPlayer::SetStreamName(const std::string& name) {
  if (Opened()) Close();
  streamName_ = name;
}

TOutputDevice TMPEGPlayer::OutputDevice() const {
  return deviceCode_ != 0 ? TOutputDevice::pcmfile : TOutputDevice::wavemapper;
}

void TMPEGPlayer::SetOutputDevice(TOutputDevice device) {
  deviceCode_ = device == TOutputDevice::pcmfile && !OutFilename.empty() ? abi::kDevicePcmFile : abi::kDeviceDefault;
}

bool TMPEGPlayer::EndFlag() const { return __atomic_load_n(&endFlag_, __ATOMIC_ACQUIRE) != 0; }

void TMPEGPlayer::RequireLoaded() const {
  if (!Loaded()) throw TMPEGError(0);
}

void TMPEGPlayer::CheckLastError() {
  lastErrorCode_ = exports_->call(Exports::kLastError);
  if (lastErrorCode_ > 0) throw TMPEGError(lastErrorCode_);
}

void TMPEGPlayer::LoadDecoder() {
  std::string path = PathToDLL;
  if (!path.empty() && path.back() != kPathSep && path.back() != ':') path += kPathSep;
  path += platform::SharedLibraryFileName(kDecoderLibraryBase);
  platform::LibraryLoader& loader = platform::Libraries();
  const platform::LibraryHandle library = loader.Load(path);
  if (library == 0) throw TMPEGError("Can't load MPEG library", 0);

  Exports found;
  for (int i = 0; i < Exports::kCount; ++i) {
    found.at[i] = loader.Symbol(library, abi::kExportNames[i]);
    if (found.at[i] == nullptr) {
      loader.Release(library);
      throw TMPEGError(0);
    }
  }
  *exports_ = found;
  library_ = library;
  if ((exports_->init() & 0xFF) == 0) {
    lastErrorCode_ = exports_->call(Exports::kLastError);
    library_ = 0;  // forgotten; the library itself stays loaded
    throw TMPEGError(lastErrorCode_);
  }
  positionTimer_ = platform::UI().NewTimer([this] {
    try {
      TimerTick();
    } catch (...) {
    }
  });
  positionTimer_->SetEnabled(false);
  positionTimer_->SetInterval(useTimer_ ? static_cast<std::uint32_t>(timerFreq_) : 0);
  streamLength_ = 0;
}

void TMPEGPlayer::Open() {
  RequireLoaded();
  if (Opened()) Close();
  opened_ = 0;
  if (FromStream) {
    exports_->open(nullptr, 1, &OpenStream, &CloseStream, &RestartStream, &ReadStream, &SeekStream, &StreamSize,
                   this);
    lastErrorCode_ = exports_->call(Exports::kLastError);
  } else {
    if (streamName_.empty()) throw TMPEGError("Can't play non-specified stream", kCantPlayUnspecified);
    char name[abi::kFileNameBuffer];
    CopyName(name, streamName_);
    exports_->open(name, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    lastErrorCode_ = exports_->call(Exports::kLastError);
  }
  if (lastErrorCode_ > 0) throw TMPEGError(lastErrorCode_);
  opened_ = 1;
  playedXTimes_ = 1;
  streamLength_ = Length();
  if (AutoPlay) Play();
}

void TMPEGPlayer::StartTimer() {
  if (useTimer_ && positionTimer_ && positionTimer_->Interval() != 0) {
    positionTimer_->SetEnabled(true);
    TimerTick();
  }
}

void TMPEGPlayer::Play() {
  RequireLoaded();
  if (Paused()) {
    SetPaused(false);
    return;
  }
  if (Playing()) return;
  if (!Opened()) Open();
  if (!Opened()) return;
  if (playedXTimes_ > 1) {
    Restart();
    return;
  }
  exports_->withArg(Exports::kSetPriority, priorityValue_);
  CheckLastError();
  char outName[abi::kOutFileNameBuffer];
  CopyName(outName, OutFilename);
  exports_->setOutputDevice(deviceCode_, outName);
  CheckLastError();
  const std::int32_t r = exports_->play(StartPos, EndPos, &endFlag_);
  lastErrorCode_ = exports_->call(Exports::kLastError);
  if (lastErrorCode_ > 0 || r != 0) throw TMPEGError(lastErrorCode_ > 0 ? lastErrorCode_ : 0);
  playing_ = 1;
  ++playedXTimes_;
  StartTimer();
}

void TMPEGPlayer::SetPaused(bool paused) {
  if (!Playing() || EndFlag()) {
    paused_ = 0;
    if (paused) throw TMPEGError(2);
    return;
  }
  RequireLoaded();
  exports_->withArg(Exports::kPause, paused ? 0 : 1);
  CheckLastError();
  paused_ = paused ? 1 : 0;
}

void TMPEGPlayer::Stop() {
  if (!Playing() || EndFlag()) throw TMPEGError(2);
  RequireLoaded();
  exports_->call(Exports::kStop);
  CheckLastError();
  playing_ = 0;
  paused_ = 0;
}

void TMPEGPlayer::Restart() {
  RequireLoaded();
  if (!Opened()) throw TMPEGError(2);
  __atomic_store_n(&endFlag_, std::uint8_t{0}, __ATOMIC_RELEASE);
  exports_->call(Exports::kRestart);
  CheckLastError();
  playing_ = 1;
  ++playedXTimes_;
  StartTimer();
}

void TMPEGPlayer::Close() {
  RequireLoaded();
  opened_ = 0;
  paused_ = 0;
  playing_ = 0;
  playedXTimes_ = 0;
  exports_->call(Exports::kClose);
  CheckLastError();
}

std::int32_t TMPEGPlayer::Mode() {
  RequireLoaded();
  const std::int32_t mode = exports_->call(Exports::kGetPlayerMode);
  CheckLastError();
  return mode;
}

std::int32_t TMPEGPlayer::Position() {
  RequireLoaded();
  const std::int32_t pos = exports_->call(Exports::kGetCurrentPos);
  CheckLastError();
  return pos;
}

std::int32_t TMPEGPlayer::Length() {
  RequireLoaded();
  const std::int32_t length = exports_->call(Exports::kGetLength);
  CheckLastError();
  return length;
}

void TMPEGPlayer::TimerTick() {
  if (!Opened() || !Playing()) {
    if (positionTimer_) positionTimer_->SetEnabled(false);
    return;
  }
  std::int32_t pos = Position();
  if (pos > streamLength_) pos = 0;
  if (OnPosUpdate) OnPosUpdate(pos, streamLength_);
  if (EndFlag()) {
    positionTimer_->SetEnabled(false);
    playing_ = 0;
    if (OnPlayEnd) {
      __atomic_store_n(&endFlag_, std::uint8_t{0}, __ATOMIC_RELEASE);
      OnPlayEnd(*this);
    }
  }
}

}  // namespace kestro
