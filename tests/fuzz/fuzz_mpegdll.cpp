// The decoder library's input path: any bytes, given through the stream
// callbacks, are opened, decoded to a WAV file and closed without a crash
// or a hang.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>

#include "music/decoder_abi.h"

namespace abi = kestro::mpegdll;

extern "C" {
std::int32_t init();
std::int32_t Open(const char*, std::int32_t, abi::OpenStreamCallback, abi::CloseStreamCallback,
                  abi::RestartStreamCallback, abi::ReadStreamCallback, abi::SeekStreamCallback,
                  abi::StreamSizeCallback, void*);
std::int32_t Play(std::int32_t, std::int32_t, std::uint8_t*);
std::int32_t SetOutputDevice(std::int32_t, const char*);
std::int32_t Close();
std::int32_t LastError();
}

namespace {

struct Input {
  const std::uint8_t* data;
  std::int32_t size;
  std::int32_t at;
};

void OpenStream(void* user, std::uint8_t* nonseekable, void** context) {
  *nonseekable = 0;
  *context = user;
}
void CloseStream(void*, void*) {}
void RestartStream(void*, void* context, std::uint8_t* res) {
  static_cast<Input*>(context)->at = 0;
  *res = 1;
}
void ReadStream(void*, void* context, void* buffer, std::int32_t want, std::int32_t* got, std::uint8_t* res) {
  auto* in = static_cast<Input*>(context);
  const std::int32_t n = want < in->size - in->at ? want : in->size - in->at;
  std::memcpy(buffer, in->data + in->at, static_cast<std::size_t>(n));
  in->at += n;
  *got = n;
  *res = 1;
}
void SeekStream(void*, void* context, std::int32_t bytes, std::int32_t method, std::int32_t* res) {
  auto* in = static_cast<Input*>(context);
  const std::int64_t base = method == abi::kSeekBegin ? 0 : method == abi::kSeekCurrent ? in->at : in->size;
  const std::int64_t to = base + bytes;
  if (to < 0 || to > in->size) {
    *res = -1;
    return;
  }
  in->at = static_cast<std::int32_t>(to);
  *res = in->at;
}
void StreamSize(void*, void* context, std::int32_t* res) { *res = static_cast<Input*>(context)->size; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = (init() & 0xFF) != 0;
  if (!ready || size > (1u << 20)) return 0;
  Input in{data, static_cast<std::int32_t>(size), 0};
  SetOutputDevice(abi::kDevicePcmFile, "/dev/null");
  Open(nullptr, 1, &OpenStream, &CloseStream, &RestartStream, &ReadStream, &SeekStream, &StreamSize, &in);
  if (LastError() == 0) {
    std::uint8_t end = 0;
    if (Play(0, 0, &end) == 0) {
      const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (__atomic_load_n(&end, __ATOMIC_ACQUIRE) == 0 && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      if (end == 0) __builtin_trap();  // a hang
    }
  }
  Close();
  return 0;
}
