#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kestro::platform {

// A Windows metafile (enhanced, or an old-style one with or without the
// placeable header), ready to play.
class Metafile {
 public:
  virtual ~Metafile() = default;
  // Natural size in screen pixels.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Plays the metafile into the rectangle (0, 0, Width(), Height()) over a
  // top-down 24-bit (blue, green, red) image of width x height pixels whose
  // rows are `stride` bytes apart; what the metafile leaves unpainted stays.
  // False when the platform could not play it.
  virtual bool Render(std::uint8_t* pixels, int width, int height, std::size_t stride) const = 0;
};

// Whether this platform can play metafiles at all.
bool MetafilesSupported();

// The metafile in `data`, told apart by its header; nullptr for data that is
// not a metafile, or on a platform without metafile support.
std::unique_ptr<Metafile> LoadMetafile(const std::uint8_t* data, std::size_t size);

}  // namespace kestro::platform
