// kestro_legacy_zip: archives in the old ZIP methods, which no tool at hand
// writes, for the differential test, the benchmark and the fuzz seeds.
//
//   kestro_legacy_zip zip OUT.zip WAY FILE...   one entry per file (its base name)
//   kestro_legacy_zip raw WAY IN OUT            IN compressed, without any header
//   kestro_legacy_zip ways                      the ways, one a line: name, method, flags
//
// WAY is one of the names `ways` prints (shrink, reduce1 ... reduce4,
// implode, implode8k, implodeLiterals, implode8kLiterals).

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "payload/legacy_encoders.h"
#include "payload/zip_builder.h"

namespace {

const kestro::testzip::LegacyMethod* FindWay(const std::string& name) {
  for (const auto& way : kestro::testzip::kLegacyMethods) {
    if (name == way.name) return &way;
  }
  return nullptr;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  return true;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

int Usage() {
  std::fprintf(stderr,
               "usage: kestro_legacy_zip zip OUT.zip WAY FILE...\n"
               "       kestro_legacy_zip raw WAY IN OUT\n"
               "       kestro_legacy_zip ways\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "ways") {
    for (const auto& way : kestro::testzip::kLegacyMethods) {
      std::printf("%s %u %u\n", way.name, unsigned{way.method}, unsigned{way.flags});
    }
    return 0;
  }
  if (args.size() < 3) return Usage();
  const kestro::testzip::LegacyMethod* way = FindWay(args[0] == "zip" ? args[2] : args[1]);
  if (way == nullptr) {
    std::fprintf(stderr, "kestro_legacy_zip: no such way\n");
    return Usage();
  }
  if (args[0] == "raw" && args.size() == 4) {
    std::string data;
    if (!ReadFile(args[2], data)) {
      std::fprintf(stderr, "kestro_legacy_zip: cannot read %s\n", args[2].c_str());
      return 1;
    }
    return WriteFile(args[3], kestro::testzip::Compress(*way, data)) ? 0 : 1;
  }
  if (args[0] != "zip" || args.size() < 4) return Usage();
  std::vector<kestro::testzip::Entry> entries;
  for (std::size_t i = 3; i < args.size(); ++i) {
    kestro::testzip::Entry e;
    e.name = std::filesystem::path(args[i]).filename().string();
    if (!ReadFile(args[i], e.data)) {
      std::fprintf(stderr, "kestro_legacy_zip: cannot read %s\n", args[i].c_str());
      return 1;
    }
    e.method = way->method;
    e.flags = way->flags;
    e.compressed = kestro::testzip::Compress(*way, e.data);
    entries.push_back(std::move(e));
  }
  return WriteFile(args[1], kestro::testzip::Build(entries)) ? 0 : 1;
}
