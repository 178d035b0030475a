// Differential: whatever bytes come in, deflated by zlib at the level the
// first byte picks (or stored, or written in one of the old methods by the
// test-only writers) into entries the second byte sizes, must come back out
// of the reader byte for byte. A crash or any difference is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "payload/legacy_encoders.h"
#include "payload/zip_builder.h"
#include "payload/zip_reader.h"
#include "platform/headless/headless_system.h"

namespace {

namespace fs = std::filesystem;

struct Folders {
  fs::path root = fs::temp_directory_path() / ("kestro_fuzz_zipdiff_" + std::to_string(std::random_device{}()));
  kestro::platform::HeadlessSystem system;
  Folders() {
    fs::create_directories(root / "out");
    kestro::platform::InstallSystem(&system);
  }
  ~Folders() {
    kestro::platform::InstallSystem(nullptr);
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) std::abort();
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Folders f;
  if (size < 2) return 0;
  // -1 stores, 0 to 9 are zlib's levels, 10 and up the old methods.
  const int level = static_cast<int>(data[0] % (11 + std::size(kestro::testzip::kLegacyMethods))) - 1;
  const std::size_t parts = 1 + data[1] % 4;
  std::string content(reinterpret_cast<const char*>(data + 2), size - 2);
  // Runs make the entries compress far: repeat the input when asked to.
  if (data[1] & 0x80) {
    const std::string once = content;
    for (int i = 0; i < 64 && content.size() < (1u << 20); ++i) content += once;
  }

  std::vector<kestro::testzip::Entry> entries;
  const std::size_t step = content.size() / parts + 1;
  for (std::size_t i = 0; i < parts; ++i) {
    kestro::testzip::Entry e;
    e.name = "part" + std::to_string(i);
    e.data = content.substr(std::min(content.size(), i * step), step);
    if (level >= 10) {
      const auto& way = kestro::testzip::kLegacyMethods[level - 10];
      e.method = way.method;
      e.flags = way.flags;
      e.compressed = kestro::testzip::Compress(way, e.data);
    } else {
      e.method = level < 0 ? 0 : 8;
      e.level = level < 0 ? 0 : level;
    }
    entries.push_back(std::move(e));
  }
  const std::string archive = (f.root / "input.zip").string();
  std::ofstream(archive, std::ios::binary | std::ios::trunc) << kestro::testzip::Build(entries);

  kestro::TVCLUnZip zip;
  zip.SetZipName(archive);
  zip.DoAll = true;
  zip.SetDestDir((f.root / "out").string());
  zip.OverwriteMode = kestro::TOverwriteMode::Always;
  if (zip.UnZip() != static_cast<int>(parts)) std::abort();
  for (const auto& e : entries) {
    if (ReadFile(f.root / "out" / e.name) != e.data) std::abort();
    fs::remove(f.root / "out" / e.name);
  }
  return 0;
}
