// Our decoder library against Debian's mpg123: MP3s made here with lame and
// ffmpeg decode through the library's pcmfile output to exactly the samples
// that `mpg123 -w` writes; damaged files end with an error number or an
// end of play, never a crash or a hang.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "music/decoder_abi.h"
#include "platform/api/library.h"
#include "support/temp_dir.h"

#ifndef KESTRO_MPEGDLL_PATH
#error "KESTRO_MPEGDLL_PATH names the built decoder library"
#endif

namespace kestro {
namespace {

namespace abi = mpegdll;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Wav {
  int channels = 0;
  int rate = 0;
  std::string data;
};

// The format and data chunk of a 16-bit PCM WAV file.
std::optional<Wav> ReadWav(const std::string& path) {
  const std::string b = ReadAll(path);
  if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) return std::nullopt;
  auto le = [&](std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
  };
  Wav wav;
  for (std::size_t at = 12; at + 8 <= b.size();) {
    const std::string id = b.substr(at, 4);
    const std::uint32_t size = le(at + 4, 4);
    const std::size_t body = at + 8;
    if (id == "fmt " && body + 16 <= b.size()) {
      wav.channels = static_cast<int>(le(body + 2, 2));
      wav.rate = static_cast<int>(le(body + 4, 4));
    } else if (id == "data") {
      wav.data = b.substr(body, std::min<std::size_t>(size, b.size() - body));
      return wav;
    }
    at = body + size + (size & 1);
  }
  return std::nullopt;
}

int Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

class DecoderLibraryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::LibraryLoader& loader = platform::Libraries();
    library = loader.Load(KESTRO_MPEGDLL_PATH);
    ASSERT_NE(library, 0u) << KESTRO_MPEGDLL_PATH;
    auto get = [&](const char* name) { return loader.Symbol(library, name); };
    init = reinterpret_cast<abi::InitFn>(get("init"));
    open = reinterpret_cast<abi::OpenFn>(get("Open"));
    play = reinterpret_cast<abi::PlayFn>(get("Play"));
    setOutput = reinterpret_cast<abi::SetOutputDeviceFn>(get("SetOutputDevice"));
    closeStream = reinterpret_cast<abi::NoArgFn>(get("Close"));
    lastError = reinterpret_cast<abi::NoArgFn>(get("LastError"));
    mode = reinterpret_cast<abi::NoArgFn>(get("GetPlayerMode"));
    length = reinterpret_cast<abi::NoArgFn>(get("GetLength"));
    for (const char* name : abi::kExportNames) ASSERT_NE(get(name), nullptr) << name;
    ASSERT_NE(init() & 0xFF, 0);
  }

  // Decodes `mp3` into `wav` through the pcmfile output; answers the error
  // number of Open or Play (0 when it played to its end).
  std::int32_t Decode(const std::string& mp3, const std::string& wav) {
    char name[abi::kFileNameBuffer] = {};
    mp3.copy(name, sizeof name - 1);
    setOutput(abi::kDevicePcmFile, wav.c_str());
    open(name, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (const std::int32_t e = lastError()) return e;
    std::uint8_t endFlag = 0;
    play(0, 0, &endFlag);
    if (const std::int32_t e = lastError()) return e;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (__atomic_load_n(&endFlag, __ATOMIC_ACQUIRE) == 0 && std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(endFlag, 1) << "no end of play for " << mp3;
    EXPECT_EQ(mode(), abi::kModeEnded);
    closeStream();
    return 0;
  }

  // A tone of `seconds` as WAV, made with ffmpeg.
  std::string Tone(const std::string& name, int rate, int channels, double seconds = 1.2) {
    const std::string path = dir.File(name);
    EXPECT_EQ(Shell("ffmpeg -v error -y -f lavfi -i 'sine=frequency=523:sample_rate=" + std::to_string(rate) +
                  ":duration=" + std::to_string(seconds) + "' -ac " + std::to_string(channels) + " '" + path + "'"),
              0);
    return path;
  }

  void ExpectSameAsMpg123(const std::string& mp3, const std::string& mpg123Options = "") {
    const std::string ours = mp3 + ".ours.wav", theirs = mp3 + ".mpg123.wav";
    ASSERT_EQ(Decode(mp3, ours), 0) << mp3;
    ASSERT_EQ(Shell("mpg123 -q " + mpg123Options + " -w '" + theirs + "' '" + mp3 + "'"), 0) << mp3;
    const auto a = ReadWav(ours), b = ReadWav(theirs);
    ASSERT_TRUE(a && b) << mp3;
    EXPECT_EQ(a->channels, b->channels) << mp3;
    EXPECT_EQ(a->rate, b->rate) << mp3;
    EXPECT_GT(a->data.size(), 1000u) << mp3;
    ASSERT_EQ(a->data.size(), b->data.size()) << mp3;
    EXPECT_TRUE(a->data == b->data) << mp3 << ": the samples differ";
  }

  static inline platform::LibraryHandle library = 0;
  static inline abi::InitFn init = nullptr;
  static inline abi::OpenFn open = nullptr;
  static inline abi::PlayFn play = nullptr;
  static inline abi::SetOutputDeviceFn setOutput = nullptr;
  static inline abi::NoArgFn closeStream = nullptr, lastError = nullptr, mode = nullptr, length = nullptr;
  testing::TempDir dir;
};

struct Encoding {
  const char* name;
  int rate;
  int channels;
  // The encoder's command: %in and %out stand for the files.
  const char* command;
};

TEST_F(DecoderLibraryTest, EncodersOutputDecodesLikeMpg123) {
  const Encoding encodings[] = {
      {"lame-cbr-stereo-44k.mp3", 44100, 2, "lame --quiet -b 128 %in %out"},
      {"lame-vbr-mono-22k.mp3", 22050, 1, "lame --quiet -V 2 %in %out"},
      {"lame-id3v2-mono-48k.mp3", 48000, 1, "lame --quiet -b 64 --id3v2-only --tt Title --ta Artist %in %out"},
      {"ffmpeg-cbr-stereo-48k.mp3", 48000, 2, "ffmpeg -v error -y -i %in -c:a libmp3lame -b:a 192k -metadata title=T %out"},
      {"ffmpeg-vbr-stereo-22k.mp3", 22050, 2, "ffmpeg -v error -y -i %in -c:a libmp3lame -q:a 4 %out"},
  };
  for (const Encoding& e : encodings) {
    const std::string wav = Tone(std::string(e.name) + ".wav", e.rate, e.channels);
    std::string command = e.command;
    command.replace(command.find("%in"), 3, "'" + wav + "'");
    command.replace(command.find("%out"), 4, "'" + dir.File(e.name) + "'");
    ASSERT_EQ(Shell(command), 0) << command;
    ExpectSameAsMpg123(dir.File(e.name));
  }
}

TEST_F(DecoderLibraryTest, LengthInMilliseconds) {
  const std::string wav = Tone("two.wav", 44100, 2, 2.0);
  ASSERT_EQ(Shell("lame --quiet -b 128 '" + wav + "' '" + dir.File("two.mp3") + "'"), 0);
  char name[abi::kFileNameBuffer] = {};
  dir.File("two.mp3").copy(name, sizeof name - 1);
  open(name, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(lastError(), 0);
  EXPECT_NEAR(length(), 2000, 30);
  EXPECT_EQ(mode(), abi::kModeOpened);
  closeStream();
  EXPECT_EQ(mode(), abi::kModeNoStream);
}

TEST_F(DecoderLibraryTest, DamagedFilesEndWithAnErrorOrTheirLastGoodFrame) {
  const std::string wav = Tone("cut.wav", 44100, 2, 2.0);
  ASSERT_EQ(Shell("lame --quiet -b 160 '" + wav + "' '" + dir.File("whole.mp3") + "'"), 0);
  const std::string whole = ReadAll(dir.File("whole.mp3"));
  std::ofstream(dir.File("truncated.mp3"), std::ios::binary) << whole.substr(0, whole.size() * 57 / 100);
  ExpectSameAsMpg123(dir.File("truncated.mp3"));

  std::string noise(60000, '\0');
  std::uint32_t x = 12345;
  for (char& c : noise) c = static_cast<char>((x = x * 1103515245 + 12345) >> 16);
  std::ofstream(dir.File("noise.mp3"), std::ios::binary) << noise;
  EXPECT_EQ(Decode(dir.File("noise.mp3"), dir.File("noise.wav")), abi::kErrInput);
  std::ofstream(dir.File("empty.mp3"), std::ios::binary) << "";
  EXPECT_EQ(Decode(dir.File("empty.mp3"), dir.File("empty.wav")), abi::kErrInput);
  EXPECT_EQ(Decode(dir.File("missing.mp3"), dir.File("missing.wav")), abi::kErrInput);
  EXPECT_EQ(mode(), abi::kModeNoStream);
}

// A frame count in the Xing or Info header that the file cannot hold (here
// the largest, which kept libmpg123 busy for half a minute at every start)
// is not believed: the file decodes as mpg123 decodes it without the header.
TEST_F(DecoderLibraryTest, AnImpossibleFrameCountIsNotBelieved) {
  const std::string wav = Tone("claim.wav", 44100, 2, 1.0);
  for (const char* options : {"-b 128", "-V 4"}) {
    ASSERT_EQ(Shell(std::string("lame --quiet ") + options + " '" + wav + "' '" + dir.File("claim.mp3") + "'"), 0);
    std::string mp3 = ReadAll(dir.File("claim.mp3"));
    std::size_t tag = mp3.find("Info");
    if (tag == std::string::npos) tag = mp3.find("Xing");
    ASSERT_NE(tag, std::string::npos) << options;
    ASSERT_TRUE(static_cast<unsigned char>(mp3[tag + 7]) & 1) << "no frame count";
    mp3.replace(tag + 8, 4, "\xFF\xFF\xFF\xFF");
    std::ofstream(dir.File("claim.mp3"), std::ios::binary) << mp3;
    ExpectSameAsMpg123(dir.File("claim.mp3"), "--no-infoframe");
  }
}

TEST_F(DecoderLibraryTest, PcmFileWithoutANameIsAnOutputFailure) {
  const std::string wav = Tone("short.wav", 44100, 1, 0.3);
  ASSERT_EQ(Shell("lame --quiet '" + wav + "' '" + dir.File("short.mp3") + "'"), 0);
  EXPECT_EQ(Decode(dir.File("short.mp3"), ""), abi::kErrOutput);
  closeStream();
  std::uint8_t flag = 0;
  EXPECT_NE(play(0, 0, &flag), 0);  // nothing open
  EXPECT_EQ(lastError(), abi::kErrMode);
}

}  // namespace
}  // namespace kestro
