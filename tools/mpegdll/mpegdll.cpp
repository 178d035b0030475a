// mpegdll: the MP3 decoder library of the music player. It decodes with
// libmpg123 and plays through libout123 (waveOut on Windows, PulseAudio or
// ALSA elsewhere) or writes the samples to a WAV file, on a thread of its
// own; the only thing it writes back into the caller's memory is the
// end-of-play byte given to Play.
//
// One stream at a time, for the whole process. Every export is called from
// one thread (the player's); the decoding thread shares the state below
// under `mutex`.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include <mpg123.h>
#include <out123.h>

#include "music/decoder_abi.h"

#if defined(_WIN32) && defined(__i386__)
// mpegdll.def exports the stdcall functions under their plain names.
#define MPEGDLL_EXPORT extern "C"
#elif defined(_WIN32)
#define MPEGDLL_EXPORT extern "C" __declspec(dllexport)
#else
#define MPEGDLL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace kestro::mpegdll;

namespace {

// ------------------------------------------------------------------ input

// Where the MP3 bytes come from: a file, or the caller's stream callbacks.
class Source {
 public:
  virtual ~Source() = default;
  // Bytes read, 0 at the end, -1 on an error.
  virtual long Read(void* buffer, std::size_t count) = 0;
  // The new position, -1 when the source cannot seek there.
  virtual long Seek(long offset, int whence) = 0;
  virtual bool Seekable() const = 0;
  // Size in bytes, -1 when unknown.
  virtual long Size() = 0;
  // Back to the first byte.
  virtual bool Rewind() { return Seek(0, SEEK_SET) == 0; }
};

class FileSource final : public Source {
 public:
  explicit FileSource(std::FILE* file) : file_(file) {}
  ~FileSource() override { std::fclose(file_); }
  long Read(void* buffer, std::size_t count) override {
    const std::size_t got = std::fread(buffer, 1, count, file_);
    return got == 0 && std::ferror(file_) ? -1 : static_cast<long>(got);
  }
  long Seek(long offset, int whence) override {
    if (std::fseek(file_, offset, whence) != 0) return -1;
    return std::ftell(file_);
  }
  bool Seekable() const override { return true; }
  long Size() override {
    const long here = std::ftell(file_);
    if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(file_);
    std::fseek(file_, here, SEEK_SET);
    return size;
  }

 private:
  std::FILE* file_;
};

struct StreamCallbacks {
  OpenStreamCallback open = nullptr;
  CloseStreamCallback close = nullptr;
  RestartStreamCallback restart = nullptr;
  ReadStreamCallback read = nullptr;
  SeekStreamCallback seek = nullptr;
  StreamSizeCallback size = nullptr;
  void* user = nullptr;
};

class CallbackSource final : public Source {
 public:
  CallbackSource(const StreamCallbacks& callbacks) : cb_(callbacks) {
    std::uint8_t nonseekable = 0;
    if (cb_.open != nullptr) cb_.open(cb_.user, &nonseekable, &context_);
    seekable_ = nonseekable == 0 && cb_.seek != nullptr;
  }
  ~CallbackSource() override {
    if (cb_.close != nullptr) cb_.close(cb_.user, context_);
  }
  long Read(void* buffer, std::size_t count) override {
    if (cb_.read == nullptr) return -1;
    std::int32_t got = 0;
    std::uint8_t ok = 0;
    const auto want = static_cast<std::int32_t>(count > 0x7FFFFFFF ? 0x7FFFFFFF : count);
    cb_.read(cb_.user, context_, buffer, want, &got, &ok);
    if (ok == 0 || got < 0 || got > want) return -1;
    return got;
  }
  long Seek(long offset, int whence) override {
    if (!seekable_) return -1;
    const std::int32_t method = whence == SEEK_SET ? kSeekBegin : whence == SEEK_CUR ? kSeekCurrent : kSeekEnd;
    std::int32_t result = -1;
    cb_.seek(cb_.user, context_, static_cast<std::int32_t>(offset), method, &result);
    return result;
  }
  bool Seekable() const override { return seekable_; }
  long Size() override {
    if (cb_.size == nullptr) return -1;
    std::int32_t result = -1;
    cb_.size(cb_.user, context_, &result);
    return result;
  }
  bool Rewind() override {
    if (seekable_) return Seek(0, SEEK_SET) == 0;
    if (cb_.restart == nullptr) return false;
    std::uint8_t ok = 0;
    cb_.restart(cb_.user, context_, &ok);
    return ok != 0;
  }

 private:
  StreamCallbacks cb_;
  void* context_ = nullptr;
  bool seekable_ = false;
};

// libmpg123 reads through these.
mpg123_ssize_t ReadSource(void* handle, void* buffer, size_t count) {
  return static_cast<Source*>(handle)->Read(buffer, count);
}
off_t SeekSource(void* handle, off_t offset, int whence) {
  return static_cast<Source*>(handle)->Seek(static_cast<long>(offset), whence);
}

// ------------------------------------------------------------------ output

class Output {
 public:
  virtual ~Output() = default;
  // Starts taking 16-bit signed samples at the rate and channel count.
  virtual bool Start(long rate, int channels) = 0;
  // False when the device failed.
  virtual bool Write(const unsigned char* data, std::size_t bytes) = 0;
  // Waits until everything written has been played.
  virtual void Drain() = 0;
  // Throws away what is not played yet (a stop).
  virtual void Drop() {}
  virtual void Pause() {}
  virtual void Continue() {}
};

// The platform's default audio device.
class DeviceOutput final : public Output {
 public:
  ~DeviceOutput() override {
    if (ao_ != nullptr) {
      out123_close(ao_);
      out123_del(ao_);
    }
  }
  bool Start(long rate, int channels) override {
    ao_ = out123_new();
    if (ao_ == nullptr) return false;
    if (out123_open(ao_, nullptr, nullptr) != OUT123_OK) return false;
    return out123_start(ao_, rate, channels, MPG123_ENC_SIGNED_16) == OUT123_OK;
  }
  bool Write(const unsigned char* data, std::size_t bytes) override {
    return out123_play(ao_, const_cast<unsigned char*>(data), bytes) == bytes;
  }
  void Drain() override { out123_drain(ao_); }
  void Drop() override { out123_drop(ao_); }
  void Pause() override { out123_pause(ao_); }
  void Continue() override { out123_continue(ao_); }

 private:
  out123_handle* ao_ = nullptr;
};

// A WAV file: 16-bit PCM, the stream's rate and channels; the sizes in the
// header are written when the file is complete.
class WavFileOutput final : public Output {
 public:
  explicit WavFileOutput(std::string path) : path_(std::move(path)) {}
  ~WavFileOutput() override { Finish(); }
  bool Start(long rate, int channels) override {
    file_ = std::fopen(path_.c_str(), "wb");
    if (file_ == nullptr) return false;
    rate_ = static_cast<std::uint32_t>(rate);
    channels_ = static_cast<std::uint16_t>(channels);
    return WriteHeader();
  }
  bool Write(const unsigned char* data, std::size_t bytes) override {
    if (std::fwrite(data, 1, bytes, file_) != bytes) return false;
    dataBytes_ += bytes;
    return true;
  }
  void Drain() override { Finish(); }

 private:
  static void Put32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
  }
  static void Put16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
  }
  bool WriteHeader() {
    unsigned char h[44];
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, static_cast<std::uint32_t>(36 + dataBytes_));
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put16(h + 20, 1);  // PCM
    Put16(h + 22, channels_);
    Put32(h + 24, rate_);
    Put32(h + 28, rate_ * channels_ * 2);
    Put16(h + 32, static_cast<std::uint16_t>(channels_ * 2));
    Put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, static_cast<std::uint32_t>(dataBytes_));
    return std::fwrite(h, 1, sizeof h, file_) == sizeof h;
  }
  void Finish() {
    if (file_ == nullptr) return;
    std::fseek(file_, 0, SEEK_SET);
    WriteHeader();
    std::fclose(file_);
    file_ = nullptr;
  }

  std::string path_;
  std::FILE* file_ = nullptr;
  std::uint32_t rate_ = 0;
  std::uint16_t channels_ = 0;
  std::uint64_t dataBytes_ = 0;
};

// ------------------------------------------------------------------ the player

struct Player {
  std::mutex mutex;
  std::condition_variable changed;

  bool initialised = false;
  std::int32_t lastError = kErrNone;
  std::int32_t priority = 0;
  std::int32_t device = kDeviceDefault;
  std::string outFile;

  // The open stream.
  std::unique_ptr<Source> source;
  mpg123_handle* mh = nullptr;
  long rate = 0;
  int channels = 0;
  off_t lengthSamples = 0;
  int layer = 0;

  // Playing: the decoding thread and what it shares.
  std::thread thread;
  std::atomic<bool> started{false};    // Play or Restart ran since the stream was opened or stopped
  std::atomic<bool> finished{false};   // the thread has ended (after writing the end byte)
  std::atomic<bool> stopRequested{false};
  bool paused = false;                 // under mutex
  std::atomic<std::int64_t> playedSamples{0};  // position of the decoder in samples from the start
  std::int32_t startPos = 0;
  std::int32_t endPos = 0;
  std::uint8_t* endFlag = nullptr;
};

// Never destroyed: a stream may still play while the process exits.
Player& P() {
  static Player* const player = new Player;
  return *player;
}

std::int32_t Fail(std::int32_t error) {
  P().lastError = error;
  return error;
}

std::int32_t Ok() {
  P().lastError = kErrNone;
  return 0;
}

bool EnsureLibrary() {
  static const bool ready = mpg123_init() == MPG123_OK;  // a no-op on this libmpg123, kept for older ones
  return ready;
}

std::int32_t ToMs(std::int64_t samples) {
  if (P().rate <= 0 || samples <= 0) return 0;
  const std::int64_t ms = samples * 1000 / P().rate;
  return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(ms);
}

off_t ToSamples(std::int32_t ms) {
  if (ms <= 0) return 0;
  return static_cast<off_t>(static_cast<std::int64_t>(ms) * P().rate / 1000);
}

void ApplyPriority(std::int32_t value) {
#ifdef _WIN32
  // The values are the Windows thread priorities themselves (-15 idle ... 15 time-critical).
  SetThreadPriority(GetCurrentThread(), value);
#else
  (void)value;
#endif
}

// Ends the decoding thread; a playing device is cut off at once.
void JoinThread() {
  Player& p = P();
  if (!p.thread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(p.mutex);
    p.stopRequested = true;
    p.paused = false;
  }
  p.changed.notify_all();
  p.thread.join();
  p.stopRequested = false;
}

void CloseStream() {
  Player& p = P();
  JoinThread();
  if (p.mh != nullptr) {
    mpg123_close(p.mh);
    mpg123_delete(p.mh);
    p.mh = nullptr;
  }
  p.source.reset();
  p.started = false;
  p.finished = false;
  p.rate = 0;
  p.channels = 0;
  p.lengthSamples = 0;
  p.playedSamples = 0;
}

// Opens the stream afresh at its first byte, so that decoding from the
// start is the straight decode of the file (a seek back would prime the
// decoder differently, and the scan's findings would shape the end).
bool ReopenAtStart() {
  Player& p = P();
  mpg123_close(p.mh);
  return p.source->Rewind() && mpg123_open_handle(p.mh, p.source.get()) == MPG123_OK;
}

// A Xing or LAME header may claim any frame count, and libmpg123 spends time
// in proportion to the claim each time it opens the stream (half a minute
// for the largest). A claim of more frames than the stream has bytes, or of
// more than 2^24 frames (over a hundred hours), cannot be true.
bool ImplausibleFrameCount(mpg123_handle* mh, long size) {
  constexpr off_t kMostFrames = off_t{1} << 24;
  const off_t frames = mpg123_framelength(mh);
  return frames > kMostFrames || (size > 0 && frames > size);
}

// Opens libmpg123 on the source and fixes the output format to 16-bit
// samples at the stream's own rate and channel count.
std::int32_t OpenDecoder() {
  Player& p = P();
  int err = MPG123_OK;
  p.mh = mpg123_new(nullptr, &err);
  if (p.mh == nullptr) return kErrDecoder;
  mpg123_param(p.mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  if (mpg123_replace_reader_handle(p.mh, &ReadSource, &SeekSource, nullptr) != MPG123_OK) return kErrDecoder;
  if (!p.source->Seekable()) mpg123_param(p.mh, MPG123_ADD_FLAGS, MPG123_NO_PEEK_END, 0);
  if (mpg123_open_handle(p.mh, p.source.get()) != MPG123_OK) return kErrInput;
  const long size = p.source->Size();
  long rate = 0;
  int channels = 0, encoding = 0;
  // The stream's format from its first frame, on the freshly opened stream.
  const auto readFormat = [&] {
    if (!p.source->Seekable() && size > 0) mpg123_set_filesize(p.mh, size);
    return mpg123_getformat(p.mh, &rate, &channels, &encoding) == MPG123_OK && rate > 0 && channels > 0;
  };
  if (!readFormat()) return kErrInput;
  // Such a header is left unread: the stream is decoded as it stands, its
  // first frame as sound, with no gapless trimming.
  if (ImplausibleFrameCount(p.mh, size)) {
    mpg123_param(p.mh, MPG123_ADD_FLAGS, MPG123_IGNORE_INFOFRAME, 0);
    if (!ReopenAtStart() || !readFormat()) return kErrInput;
  }
  mpg123_format_none(p.mh);
  if (mpg123_format(p.mh, rate, channels, MPG123_ENC_SIGNED_16) != MPG123_OK) return kErrDecoder;
  p.rate = rate;
  p.channels = channels;
  mpg123_frameinfo info{};
  if (mpg123_info(p.mh, &info) == MPG123_OK) p.layer = info.layer;
  // The exact length needs a pass over the whole stream.
  if (p.source->Seekable()) mpg123_scan(p.mh);
  const off_t length = mpg123_length(p.mh);
  p.lengthSamples = length > 0 ? length : 0;
  return kErrNone;
}

// The decoding thread: decodes from the current decoder position to the
// end (or to the end position), hands the samples to the output, waits
// until the output has played them, and writes the end byte.
void PlayLoop(std::unique_ptr<Output> output, off_t endSample) {
  Player& p = P();
  ApplyPriority(p.priority);
  const std::size_t frameBytes = static_cast<std::size_t>(p.channels) * 2;
  std::vector<unsigned char> buffer(mpg123_outblock(p.mh));
  bool deviceOk = output->Start(p.rate, p.channels);
  while (deviceOk && !p.stopRequested) {
    {
      std::unique_lock<std::mutex> lock(p.mutex);
      if (p.paused) {
        output->Pause();
        p.changed.wait(lock, [&] { return !p.paused || p.stopRequested; });
        if (p.stopRequested) break;
        output->Continue();
      }
    }
    std::size_t done = 0;
    const int ret = mpg123_read(p.mh, buffer.data(), buffer.size(), &done);
    if (endSample > 0) {
      const std::int64_t left = (static_cast<std::int64_t>(endSample) - p.playedSamples) * static_cast<std::int64_t>(frameBytes);
      if (left <= 0) break;
      if (static_cast<std::int64_t>(done) > left) done = static_cast<std::size_t>(left);
    }
    done -= done % frameBytes;
    if (done > 0) {
      if (!output->Write(buffer.data(), done)) deviceOk = false;
      p.playedSamples += static_cast<std::int64_t>(done / frameBytes);
    }
    // The format was fixed before playing: anything but more samples ends
    // the stream (its end, or a part the decoder cannot read).
    if (ret != MPG123_OK && ret != MPG123_NEW_FORMAT) break;
  }
  if (p.stopRequested) {
    output->Drop();
  } else {
    // Every sample is played before the device closes and the end is told.
    if (deviceOk) output->Drain();
  }
  output.reset();
  if (!p.stopRequested && p.endFlag != nullptr) __atomic_store_n(p.endFlag, std::uint8_t{1}, __ATOMIC_RELEASE);
  p.finished = true;
}

std::int32_t StartPlaying() {
  Player& p = P();
  std::unique_ptr<Output> output;
  if (p.device == kDevicePcmFile) {
    if (p.outFile.empty()) return Fail(kErrOutput);
    output = std::make_unique<WavFileOutput>(p.outFile);
  } else {
    output = std::make_unique<DeviceOutput>();
  }
  const off_t start = ToSamples(p.startPos);
  if (!ReopenAtStart()) return Fail(kErrInput);
  if (start > 0) {
    if (!p.source->Seekable()) return Fail(kErrNonSeekable);
    if (mpg123_seek(p.mh, start, SEEK_SET) < 0) return Fail(kErrInput);
  }
  p.playedSamples = start;
  p.finished = false;
  p.stopRequested = false;
  p.paused = false;
  p.started = true;
  const off_t endSample = p.endPos > 0 ? ToSamples(p.endPos) : 0;
  try {
    p.thread = std::thread(PlayLoop, std::move(output), endSample);
  } catch (...) {
    p.started = false;
    return Fail(kErrDecoder);
  }
  return Ok();
}

}  // namespace

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL init() {
  Player& p = P();
  p.initialised = EnsureLibrary();
  p.lastError = p.initialised ? kErrNone : kErrDecoder;
  return p.initialised ? 1 : 0;
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL deinit() {
  CloseStream();
  return Ok();
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL Open(const char* fileName, std::int32_t fromStream, OpenStreamCallback open,
                                              CloseStreamCallback close, RestartStreamCallback restart,
                                              ReadStreamCallback read, SeekStreamCallback seek,
                                              StreamSizeCallback size, void* user) {
  Player& p = P();
  if (!p.initialised) return Fail(kErrDecoder);
  CloseStream();
  if (fromStream != 0) {
    p.source = std::make_unique<CallbackSource>(StreamCallbacks{open, close, restart, read, seek, size, user});
  } else {
    if (fileName == nullptr) return Fail(kErrInput);
    const std::string name(fileName, strnlen(fileName, kFileNameBuffer - 1));
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) return Fail(kErrInput);
    p.source = std::make_unique<FileSource>(file);
  }
  const std::int32_t error = OpenDecoder();
  if (error != kErrNone) {
    CloseStream();
    return Fail(error);
  }
  return Ok();
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL Play(std::int32_t startPos, std::int32_t endPos, std::uint8_t* endFlag) {
  Player& p = P();
  if (p.mh == nullptr) return Fail(kErrMode);
  if (p.started && !p.finished) return Fail(kErrMode);
  JoinThread();
  p.startPos = startPos < 0 ? 0 : startPos;
  p.endPos = endPos < 0 ? 0 : endPos;
  p.endFlag = endFlag;
  return StartPlaying();
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL Pause(std::int32_t resume) {
  Player& p = P();
  if (p.mh == nullptr || !p.started || p.finished) return Fail(kErrMode);
  {
    std::lock_guard<std::mutex> lock(p.mutex);
    p.paused = resume == 0;
  }
  p.changed.notify_all();
  return Ok();
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL Restart() {
  Player& p = P();
  if (p.mh == nullptr) return Fail(kErrMode);
  JoinThread();
  if (p.endFlag != nullptr) __atomic_store_n(p.endFlag, std::uint8_t{0}, __ATOMIC_RELEASE);
  return StartPlaying();
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL Stop() {
  Player& p = P();
  if (p.mh == nullptr) return Fail(kErrMode);
  JoinThread();
  p.started = false;
  p.finished = false;
  return Ok();
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL Close() {
  CloseStream();
  return Ok();
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL SetPriority(std::int32_t value) {
  P().priority = value;
  return Ok();
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL SetOutputDevice(std::int32_t device, const char* fileName) {
  Player& p = P();
  if (device != kDeviceDefault && device != kDevicePcmFile) return Fail(kErrOutput);
  p.device = device;
  p.outFile = fileName == nullptr ? std::string() : std::string(fileName, strnlen(fileName, kOutFileNameBuffer - 1));
  return Ok();
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL GetPlayerMode() {
  Player& p = P();
  P().lastError = kErrNone;
  if (p.mh == nullptr) return kModeNoStream;
  if (!p.started) return kModeOpened;
  return p.finished ? kModeEnded : kModePlaying;
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL GetCurrentPos() {
  P().lastError = kErrNone;
  return ToMs(P().playedSamples);
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL GetLength() {
  P().lastError = kErrNone;
  return ToMs(P().lengthSamples);
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL LastError() { return P().lastError; }

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL GetFrequency() {
  P().lastError = kErrNone;
  return static_cast<std::int32_t>(P().rate);
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL GetBitrate() {
  Player& p = P();
  p.lastError = kErrNone;
  mpg123_frameinfo info{};
  if (p.mh == nullptr || (p.started && !p.finished) || mpg123_info(p.mh, &info) != MPG123_OK) return 0;
  return info.bitrate;
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL GetLayer() {
  P().lastError = kErrNone;
  return P().layer;
}

MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL ResetPlayerMode() { return Stop(); }

// Seeking while a stream plays is not offered: play again from a start position instead.
MPEGDLL_EXPORT std::int32_t MPEGDLL_CALL Seek(std::int32_t position) {
  Player& p = P();
  if (p.mh == nullptr || (p.started && !p.finished)) return Fail(kErrMode);
  if (!p.source->Seekable()) return Fail(kErrNonSeekable);
  p.startPos = position < 0 ? 0 : position;
  return Ok();
}
