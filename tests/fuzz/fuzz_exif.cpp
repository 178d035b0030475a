// Reads every input as a JPEG file's EXIF data and as a bare EXIF block,
// and marks it upright in place: any read or write outside the input, crash
// or hang is a finding.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "exif.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestro::builder;
  std::vector<std::uint8_t> copy(data, data + size);
  std::span<std::uint8_t> all(copy);
  if (const auto block = FindJpegExif(all)) {
    const auto exif = all.subspan(block->offset, block->size);
    MarkExifUpright(exif, ReadExifFields(exif), 70000, 3);
  }
  MarkExifUpright(all, ReadExifFields(all), 1, 1);
  return 0;
}
