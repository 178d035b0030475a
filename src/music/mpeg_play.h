#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/error.h"
#include "platform/api/library.h"
#include "platform/api/ui.h"

namespace kestro {

// An error of the MP3 player: the message of the decoder library's error
// number, and that number's low byte.
class TMPEGError : public Exception {
 public:
  TMPEGError(const std::string& message, std::uint8_t code) : Exception(message), ErrorCode(code) {}
  // The table message of a library error number.
  explicit TMPEGError(std::int32_t code);
  const char* ClassName() const noexcept override { return "TMPEGError"; }
  std::uint8_t ErrorCode;
};

// The messages of the decoder library's error numbers 0 to 5; numbers
// outside the table get a message naming the number.
std::string MPEGErrorMessage(std::int32_t code);
inline constexpr std::uint8_t kCantPlayUnspecified = 254;

enum class TPlayPriority { Idle, Lowest, BelowNormal, Normal, AboveNormal, Highest, TimeCritical };
enum class TOutputDevice { wavemapper, pcmfile };

// The value the decoder library takes for a priority: -15, -2, -1, 0, 1, 2, 15.
std::int32_t PriorityValueOf(TPlayPriority priority);

// The MP3 player: loads the decoder library ("mpegdll") at run time and
// drives it. The library decodes and plays on a thread of its own and
// writes back only the end-of-play byte, which PositionTimer polls on the
// main thread.
class TMPEGPlayer {
 public:
  TMPEGPlayer();
  virtual ~TMPEGPlayer();
  TMPEGPlayer(const TMPEGPlayer&) = delete;
  TMPEGPlayer& operator=(const TMPEGPlayer&) = delete;

  // --- published properties
  bool Seekable = false;   // stored only
  bool FromStream = false;  // open through the stream events instead of StreamName
  TPlayPriority PlayerPriority() const { return priority_; }
  void SetPlayerPriority(TPlayPriority priority);
  bool UseTimer() const { return useTimer_; }
  void SetUseTimer(bool use);
  std::int32_t TimerFreq() const { return timerFreq_; }
  // 0 also clears UseTimer.
  void SetTimerFreq(std::int32_t milliseconds);
  bool AutoPlay = false;
  const std::string& StreamName() const { return streamName_; }
  // Closes an open stream first.
  void SetStreamName(const std::string& name);
  // pcmfile for any non-zero device code.
  TOutputDevice OutputDevice() const;
  // Stores the device code: 2 for pcmfile while OutFilename is not empty, else 0.
  void SetOutputDevice(TOutputDevice device);
  std::string OutFilename;
  std::string PathToDLL;  // folder of the library; empty: the system's library search
  std::int32_t StartPos = 0;
  std::int32_t EndPos = 0;
  std::int32_t PlayedXTimes() const { return playedXTimes_; }

  // Stream events, used with FromStream only.
  std::function<void(bool& Nonseekable, void*& Context)> OnOpenStream;
  std::function<void(void* Context)> OnCloseStream;
  std::function<void(void* Context, bool& res)> OnRestartStream;
  std::function<void(void* Context, std::int32_t& res)> OnGetStreamSize;
  std::function<void(void* Context, std::int32_t numbytes, std::int32_t MoveMethod, std::int32_t& res)> OnSeekStream;
  std::function<void(void* Context, void* read_buffer, std::int32_t nNumberOfBytesToRead,
                     std::int32_t& nNumberOfBytesRead, bool& res)>
      OnReadStream;
  // A position report at every timer tick.
  std::function<void(std::int32_t Pos, std::int32_t Len)> OnPosUpdate;
  // The end of play was detected.
  std::function<void(TMPEGPlayer& Sender)> OnPlayEnd;

  // --- operations (each raises code 0 first when the library is not loaded)
  void LoadDecoder();
  void Open();
  void Play();
  bool Paused() const { return paused_ != 0; }
  void SetPaused(bool paused);
  void Stop();
  void Restart();
  void Close();
  std::int32_t Mode();
  std::int32_t Position();
  std::int32_t Length();
  // PositionTimer's handler.
  virtual void TimerTick();

  // --- state
  bool Loaded() const { return library_ != 0; }
  bool Opened() const { return opened_ != 0; }
  bool Playing() const { return playing_ != 0; }
  bool EndFlag() const;
  std::int32_t PriorityValue() const { return priorityValue_; }
  std::int32_t DeviceCode() const { return deviceCode_; }
  std::int32_t StreamLength() const { return streamLength_; }
  std::int32_t LastErrorCode() const { return lastErrorCode_; }
  // nullptr until LoadDecoder created it.
  platform::Timer* PositionTimer() { return positionTimer_.get(); }

 private:
  struct Exports;
  void RequireLoaded() const;
  // LastErrorCode := "LastError"(); raises for a code above 0.
  void CheckLastError();
  void StartTimer();

  platform::LibraryHandle library_ = 0;
  std::unique_ptr<Exports> exports_;
  std::unique_ptr<platform::Timer> positionTimer_;
  TPlayPriority priority_ = TPlayPriority::Normal;
  bool useTimer_ = true;
  std::int32_t timerFreq_ = 1000;
  std::string streamName_;
  std::uint8_t opened_ = 0;
  std::uint8_t playing_ = 0;
  std::uint8_t paused_ = 0;
  std::uint8_t endFlag_ = 0;  // written by the library's thread
  std::int32_t priorityValue_ = 0;
  std::int32_t deviceCode_ = 0;
  std::int32_t streamLength_ = 0;
  std::int32_t lastErrorCode_ = 0;
  std::int32_t playedXTimes_ = 0;
};

// The base name of the decoder library ("mpegdll.dll" on Windows).
inline constexpr char kDecoderLibraryBase[] = "mpegdll";

}  // namespace kestro
