#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/graphic.h"

namespace kestro {

// The decoders a registered extension can name.
enum class TDecoderKind {
  dkWindowsBitmap,
  dkWindowsIcon,
  dkWindowsMetafile,
  dkJPEG,
  dkGIF,
  dkTarga,
  dkTIFF,
  dkEPS,
  dkPCX,
  dkRLA,
  dkSGI,
  dkPhotoshop,
  dkPortableAnyMap,
  dkAutodesk,
  dkPhotoCD,
  dkDrHalo,
  dkPaintshopPro,
  dkPNG,
};

struct TFileFormat {
  std::string extension;    // lower case, without the dot
  std::string description;
  TDecoderKind kind;
};

// A list of picture file formats by extension.
class TFileFormatsList {
 public:
  // Adds an entry; the extension is stored lower-cased (a leading dot is
  // dropped). An extension registered again is answered by the later entry.
  void Add(std::string_view extension, std::string description, TDecoderKind kind);
  // The entry for an extension given without the dot, ignoring case; nullptr
  // when it is not registered.
  const TFileFormat* FindExt(std::string_view extension) const;
  // Every entry in order of registration, replaced ones included.
  const std::vector<TFileFormat>& Entries() const { return entries_; }

 private:
  std::vector<TFileFormat> entries_;
};

// The process-wide registry of the picture container, filled on first use.
const TFileFormatsList& PictureFileFormats();

// The format's name as the error for an unsupported format shows it.
const char* DecoderKindName(TDecoderKind kind);
// Whether this build decodes the kind on this platform.
bool DecoderAvailable(TDecoderKind kind);

// Decodes a whole file's bytes with the decoder of `kind`. Raises the
// decoder's error for bad data and EInvalidGraphic naming the format for a
// kind without a decoder here.
std::unique_ptr<TGraphic> DecodeGraphic(TDecoderKind kind, std::span<const std::uint8_t> data);

}  // namespace kestro
