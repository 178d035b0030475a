#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "payload_writer.h"

namespace kestro::builder {

struct Inspection;

// What a program or library file is built for, from its PE or ELF header.
struct BinaryKind {
  enum Format { kPE, kELF } format = kPE;
  std::uint16_t machine = 0;  // the header's machine number (0x8664, 0x14C; 62, 3)
  bool operator==(const BinaryKind&) const = default;
  // "Windows x86-64", "Windows i686", "Linux x86-64", ...
  std::string Describe() const;
};
// Nothing when the bytes start neither a PE nor an ELF file.
std::optional<BinaryKind> ReadBinaryKind(const std::string& bytes);
std::optional<BinaryKind> ReadBinaryKindOf(const std::string& path);

// The decoder library's file name for a runtime of that kind, which is
// also the item name the runtime extracts: "MPEGDLL.DLL" for Windows,
// "libmpegdll.so" for Linux.
std::string DecoderItemName(const BinaryKind& runtime);

struct DecoderChoice {
  bool none = false;  // --no-decoder
  std::string file;   // --decoder FILE; empty: found beside the runtime
};

// When the music list holds an MP3 and no item is the decoder library yet,
// adds the library that matches the runtime's architecture as a --file item
// (zipped, so that the runtime unpacks it into the system folder). Without
// --decoder it is looked for beside the runtime and in the build tree's
// tools/mpegdll folder. Throws EBuildError when none fits. Answers the
// library added, or empty.
std::string AddDecoderLibrary(BuildOptions& options, const DecoderChoice& choice);

// The decoder library line of `inspect`: which item it is and what it is
// built for against the runtime, or that there is none.
void PrintDecoderLibrary(const std::string& saverPath, const Inspection& inspection, std::ostream& out);

}  // namespace kestro::builder
