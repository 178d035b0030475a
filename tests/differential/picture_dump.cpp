// Loads pictures with the runtime's own loader and writes what it shows as
// binary PPM files, for the differential tests that compare them with other
// decoders.
//
//   kestro_picture_dump --formats
//       one line per registered extension: extension, decoder kind, and 1 or
//       0 for whether this build decodes it here (tab-separated)
//   kestro_picture_dump [--display-bits N] [--flatten RRGGBB] IN OUT [IN OUT...]
//       loads each IN as the show loads a picture (flattening onto the colour
//       given, default black) and writes its pixels to OUT. A picture that
//       does not load gets "error: IN: <message>" on standard output, and
//       the exit status is 1; the others are still written.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "imaging/formats.h"
#include "imaging/load_picture.h"
#include "imaging/picture.h"
#include "platform/api/display.h"

namespace {

using namespace kestro;

int Usage() {
  std::fprintf(stderr,
               "usage: kestro_picture_dump --formats\n"
               "       kestro_picture_dump [--display-bits N] [--flatten RRGGBB] IN OUT [IN OUT...]\n");
  return 2;
}

void ListFormats() {
  const TFileFormatsList& formats = PictureFileFormats();
  std::set<std::string> seen;
  for (const TFileFormat& entry : formats.Entries()) {
    if (!seen.insert(entry.extension).second) continue;
    const TFileFormat* winner = formats.FindExt(entry.extension);
    std::printf("%s\t%s\t%d\n", winner->extension.c_str(), DecoderKindName(winner->kind),
                DecoderAvailable(winner->kind) ? 1 : 0);
  }
}

bool WritePpm(const Bitmap24& bitmap, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << bitmap.Width() << ' ' << bitmap.Height() << "\n255\n";
  std::vector<char> row(static_cast<std::size_t>(bitmap.Width()) * 3);
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* s = bitmap.ScanLine(y);
    for (std::size_t x = 0; x < row.size(); x += 3) {
      row[x] = static_cast<char>(s[x + 2]);
      row[x + 1] = static_cast<char>(s[x + 1]);
      row[x + 2] = static_cast<char>(s[x]);
    }
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
  }
  return static_cast<bool>(out);
}

// The picture as the show gets it: every path of LoadPicture ends in a bitmap.
bool Dump(const std::string& in, const std::string& out, TColor flatten) {
  TPicture picture;
  try {
    LoadPicture(picture, in, flatten);
  } catch (const std::exception& e) {
    std::printf("error: %s: %s\n", in.c_str(), e.what());
    return false;
  }
  const auto* bitmap = dynamic_cast<const TBitmap*>(picture.Graphic());
  if (bitmap == nullptr || bitmap->Empty()) {
    std::printf("error: %s: no picture\n", in.c_str());
    return false;
  }
  if (!WritePpm(bitmap->Image(), out)) {
    std::printf("error: %s: cannot write %s\n", in.c_str(), out.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--formats") {
    ListFormats();
    return 0;
  }
  TColor flatten = 0;
  std::size_t i = 0;
  for (; i + 1 < args.size() && args[i].rfind("--", 0) == 0; i += 2) {
    if (args[i] == "--display-bits") {
      platform::InstallDisplayBitsPerPixel(std::atoi(args[i + 1].c_str()));
    } else if (args[i] == "--flatten") {
      const unsigned long rgb = std::strtoul(args[i + 1].c_str(), nullptr, 16);
      flatten = RGBColor(static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                         static_cast<std::uint8_t>(rgb));
    } else {
      return Usage();
    }
  }
  if (i >= args.size() || (args.size() - i) % 2 != 0) return Usage();
  bool ok = true;
  for (; i < args.size(); i += 2) ok = Dump(args[i], args[i + 1], flatten) && ok;
  return ok ? 0 : 1;
}
