#include "decoder.h"

#include <filesystem>
#include <fstream>
#include <ostream>
#include <system_error>
#include <vector>

#include "common/ansi.h"
#include "common/paths.h"
#include "inspect.h"

namespace kestro::builder {

namespace {

constexpr std::uint16_t kPeAmd64 = 0x8664;
constexpr std::uint16_t kPeI386 = 0x014C;
constexpr std::uint16_t kElfX86_64 = 62;
constexpr std::uint16_t kElfI386 = 3;
// The first bytes of a file that hold the headers read here.
constexpr std::size_t kHeaderBytes = 4096;

std::uint32_t Le(const std::string& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

std::string ReadHead(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(kHeaderBytes, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

bool IsDecoderName(const std::string& name) {
  return SameText(name, "MPEGDLL.DLL") || name == "libmpegdll.so";
}

}  // namespace

std::string BinaryKind::Describe() const {
  const char* os = format == kPE ? "Windows" : "Linux";
  std::string cpu;
  if ((format == kPE && machine == kPeAmd64) || (format == kELF && machine == kElfX86_64)) {
    cpu = "x86-64";
  } else if ((format == kPE && machine == kPeI386) || (format == kELF && machine == kElfI386)) {
    cpu = "i686";
  } else {
    cpu = "machine " + std::to_string(machine);
  }
  return std::string(os) + " " + cpu;
}

std::optional<BinaryKind> ReadBinaryKind(const std::string& b) {
  if (b.size() >= 0x40 && b[0] == 'M' && b[1] == 'Z') {
    const std::uint32_t pe = Le(b, 0x3C, 4);
    if (pe <= b.size() - 6 && b.compare(pe, 4, std::string("PE\0\0", 4)) == 0) {
      return BinaryKind{BinaryKind::kPE, static_cast<std::uint16_t>(Le(b, pe + 4, 2))};
    }
    return std::nullopt;
  }
  // Little-endian ELF files only: the runtime is built for no other.
  if (b.size() >= 20 && b.compare(0, 4, "\x7F" "ELF") == 0 && b[5] == 1) {
    return BinaryKind{BinaryKind::kELF, static_cast<std::uint16_t>(Le(b, 18, 2))};
  }
  return std::nullopt;
}

std::optional<BinaryKind> ReadBinaryKindOf(const std::string& path) { return ReadBinaryKind(ReadHead(path)); }

std::string DecoderItemName(const BinaryKind& runtime) {
  return runtime.format == BinaryKind::kPE ? "MPEGDLL.DLL" : "libmpegdll.so";
}

std::string AddDecoderLibrary(BuildOptions& options, const DecoderChoice& choice) {
  bool mp3 = false;
  for (const ItemInput& item : options.items) {
    if (IsDecoderName(InputFileName(item.path))) return "";  // given as an item already
    mp3 = mp3 || (item.kind == ItemKind::kMusic && SameText(ExtractFileExt(InputFileName(item.path)), ".mp3"));
  }
  if (!mp3 || choice.none) return "";

  const auto runtime = ReadBinaryKindOf(options.runtime);
  if (!runtime) {
    throw EBuildError("The music list holds an MP3, but the runtime " + Quote(options.runtime) +
                      " is neither a PE nor an ELF file, so no decoder library can be chosen for it"
                      " (--no-decoder leaves it out)");
  }
  const std::string name = runtime->format == BinaryKind::kPE ? "mpegdll.dll" : "libmpegdll.so";
  std::vector<std::string> candidates;
  if (!choice.file.empty()) {
    candidates.push_back(choice.file);
  } else {
    const std::filesystem::path folder = std::filesystem::absolute(options.runtime).parent_path();
    candidates.push_back((folder / name).string());
    candidates.push_back((folder.parent_path().parent_path() / "tools" / "mpegdll" / name).string());
  }
  for (const std::string& candidate : candidates) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(candidate, ec)) continue;
    const auto kind = ReadBinaryKindOf(candidate);
    if (!kind || !(*kind == *runtime)) {
      throw EBuildError("The decoder library " + Quote(candidate) + " is built for " +
                        (kind ? kind->Describe() : std::string("no known platform")) + ", the runtime for " +
                        runtime->Describe());
    }
    // The runtime extracts the item by this name (Windows names compare without regard to case).
    const std::string given = InputFileName(candidate);
    const std::string wanted = DecoderItemName(*runtime);
    if (runtime->format == BinaryKind::kPE ? !SameText(given, wanted) : given != wanted) {
      throw EBuildError("The decoder library " + Quote(candidate) + " must be named " + Quote(wanted) +
                        " for the runtime to find it");
    }
    options.items.push_back({ItemKind::kFile, candidate});
    return candidate;
  }
  if (!choice.file.empty()) throw EBuildError("Cannot read decoder library " + Quote(choice.file));
  throw EBuildError("The music list holds an MP3, but no decoder library " + Quote(name) + " for " +
                    runtime->Describe() + " lies beside the runtime (" + candidates[0] + " or " + candidates[1] +
                    "); name one with --decoder FILE, or leave it out with --no-decoder");
}

void PrintDecoderLibrary(const std::string& saverPath, const Inspection& inspection, std::ostream& out) {
  if (!inspection.found || !inspection.settingsProblem.empty()) return;
  const auto runtime = ReadBinaryKindOf(saverPath);
  for (const ItemInfo& item : inspection.items) {
    if (!IsDecoderName(ReplaceAll(item.name, "**", "="))) continue;
    out << "decoder library: " << item.name << (item.inPayload ? "" : " (not in the payload)");
    if (runtime) out << ", runtime built for " << runtime->Describe();
    out << "\n";
    return;
  }
  out << "decoder library: none\n";
}

}  // namespace kestro::builder
