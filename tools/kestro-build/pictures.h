#pragma once

// What the builder does to each picture before storing it: phone formats
// converted to JPEG, JPEG files turned upright by their EXIF orientation,
// every picture decoded with the runtime's own loader, and pictures larger
// than the author's size reported or shrunk.

#include <optional>
#include <string>
#include <vector>

#include "picture_encode.h"
#include "raster/color.h"
#include "scratch_folder.h"

namespace kestro {
class TMemIniFile;
}

namespace kestro::builder {

class BuildReport;
struct PhoneFormat;

struct PictureChecks {
  bool turnUpright = true;               // --keep-orientation clears it
  bool keepBroken = false;               // store pictures the runtime would skip
  std::optional<PictureSize> maxSize;    // --max-size
  bool shrink = false;                   // re-encode larger pictures at maxSize
};

// Parses "WIDTHxHEIGHT" (both 1 to the largest picture side); EUsageError otherwise.
PictureSize ParsePictureSize(const std::string& text);

struct PreparedPicture {
  std::string source;     // the input's file name
  std::string name;       // the file name it is stored under
  std::string path;       // the file whose bytes are stored
  std::string format;     // the runtime's name of the stored file's format
  PictureSize size;       // as the runtime decodes it (0 x 0 when not decoded)
  std::vector<std::string> changes;  // "turned upright ...", "converted from HEIF", "shrunk ..."
  std::string problem;    // why the runtime would not show it, in the decoder's words
  bool leftOut = false;   // not stored
};

// Prepares pictures one at a time; changed pictures are written to a
// scratch folder that lives as long as the workshop. Each picture's changes
// and problems are told to the report as they happen.
class PictureWorkshop {
 public:
  // `background` is the colour the runtime puts behind transparent parts
  // (the show's BackgroundColor): converted and shrunk pictures are JPEG files.
  PictureWorkshop(PictureChecks checks, TColor background, BuildReport* report);

  PreparedPicture Prepare(const std::string& path, const std::string& name);

 private:
  void Convert(PreparedPicture& p, const PhoneFormat& format);
  void TurnUpright(PreparedPicture& p);
  std::optional<Bitmap24> Check(PreparedPicture& p, bool keepPixels);
  void Shrink(PreparedPicture& p, const Bitmap24& pixels);
  // Writes a picture the builder made from the file at `source`; its path.
  std::string Store(const std::string& name, const std::string& bytes, const std::string& source);
  void Say(const std::string& line, bool problem);

  PictureChecks checks_;
  TColor background_;
  BuildReport* report_;
  ScratchFolder scratch_;
  int stored_ = 0;
};

struct PictureCheck {
  std::string format;     // the runtime's name of the file's format (empty for an unknown extension)
  PictureSize size;       // as the runtime decodes it
  std::string problem;    // the decoder's error, when the runtime would not show the file
  bool checked = true;    // false for a format this platform cannot decode but the runtime's can
};

// Decodes the file with the runtime's own loader, as the show would: by its
// extension, transparent parts on `background`. `pixels`, when given,
// receives the decoded picture (only one larger than `pixelsBeyond`, when that is given).
PictureCheck CheckPictureFile(const std::string& path, TColor background, std::optional<Bitmap24>* pixels = nullptr,
                              std::optional<PictureSize> pixelsBeyond = std::nullopt);

// Makes the settings follow pictures stored under a new name: their
// "captions" and "effects" entries are copied to the new name, and an entry
// of the old name in the picture list is disabled.
void FollowRenamedPictures(TMemIniFile& ini, const std::vector<PreparedPicture>& pictures);

}  // namespace kestro::builder
