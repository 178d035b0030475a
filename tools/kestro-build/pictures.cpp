#include "pictures.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "build_error.h"
#include "common/ansi.h"
#include "common/paths.h"
#include "convert.h"
#include "exif.h"
#include "imaging/errors.h"
#include "imaging/formats.h"
#include "imaging/load_picture.h"
#include "imaging/picture.h"
#include "orientation.h"
#include "payload_writer.h"
#include "platform/api/files.h"
#include "platform/api/metafile.h"
#include "progress.h"
#include "payload/mem_ini_file.h"

namespace kestro::builder {

namespace {

// The runtime reads no larger picture file either.
constexpr std::size_t kMaxPictureFileBytes = 512u * 1024 * 1024;

ConstBytes Bytes(const std::string& data) { return {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()}; }

std::string ErrorText(const std::exception& e) {
  if (const auto* k = dynamic_cast<const kestro::Exception*>(&e)) return std::string(k->ClassName()) + ": " + k->Message();
  return std::string("Exception: ") + e.what();
}

std::string SizeText(PictureSize size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

// The extension without its dot.
std::string ExtensionOf(const std::string& name) {
  const std::string ext = ExtractFileExt(name);
  return ext.empty() ? ext : ext.substr(1);
}

std::string WithJpegExtension(const std::string& name) {
  const std::string ext = ExtractFileExt(name);
  return name.substr(0, name.size() - ext.size()) + ".jpg";
}

const TFileFormat* RegisteredFormat(const std::string& name) {
  const std::string ext = ExtensionOf(name);
  return ext.empty() ? nullptr : PictureFileFormats().FindExt(ext);
}

std::string EffectKeyOf(const std::string& name) {
  std::string key;
  for (char c : name) {
    if (c != '[' && c != ']') key.push_back(c);
  }
  return key;
}

}  // namespace

PictureSize ParsePictureSize(const std::string& text) {
  // Digits only, and few enough of them to fit.
  auto number = [](std::string_view digits) -> std::optional<int> {
    if (digits.empty() || digits.size() > 6) return std::nullopt;
    int value = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + (c - '0');
    }
    return value;
  };
  const std::size_t x = text.find_first_of("xX");
  const auto width = x == std::string::npos ? std::nullopt : number(std::string_view(text).substr(0, x));
  const auto height = x == std::string::npos ? std::nullopt : number(std::string_view(text).substr(x + 1));
  if (!width || !height || *width < 1 || *height < 1 || *width > imaging::kMaxPictureSide ||
      *height > imaging::kMaxPictureSide) {
    throw EUsageError("--max-size " + Quote(text) + ": expected WIDTHxHEIGHT, each 1 to " +
                      std::to_string(imaging::kMaxPictureSide));
  }
  return {*width, *height};
}

PictureWorkshop::PictureWorkshop(PictureChecks checks, TColor background, BuildReport* report)
    : checks_(checks), background_(background), report_(report) {}

void PictureWorkshop::Say(const std::string& line, bool problem) {
  if (report_ != nullptr) report_->Say(line, problem);
}

std::string PictureWorkshop::Store(const std::string& name, const std::string& bytes, const std::string& source) {
  // Numbered, so that two inputs that end under one name cannot meet here.
  const std::string path = scratch_.Path() + std::to_string(++stored_) + "-" + name;
  {
    auto file = platform::Files().Open(path, platform::OpenMode::kCreate);
    if (!file || file->Write(bytes.data(), bytes.size()) != bytes.size()) {
      throw EBuildError("Cannot write " + Quote(path));
    }
  }
  // The stored picture keeps the date of the one it was made from.
  std::error_code ec;
  const auto when = std::filesystem::last_write_time(std::filesystem::path(source), ec);
  if (!ec) std::filesystem::last_write_time(std::filesystem::path(path), when, ec);
  return path;
}

PreparedPicture PictureWorkshop::Prepare(const std::string& path, const std::string& name) {
  PreparedPicture p;
  p.source = name;
  p.name = name;
  p.path = path;
  const TFileFormat* format = RegisteredFormat(name);
  if (format == nullptr) {
    if (const PhoneFormat* phone = FindPhoneFormat(ExtensionOf(name))) Convert(p, *phone);
  } else if (format->kind == TDecoderKind::dkJPEG && checks_.turnUpright) {
    TurnUpright(p);
  }

  if (p.problem.empty()) {
    const bool mayShrink = checks_.shrink && checks_.maxSize.has_value();
    std::optional<Bitmap24> pixels = Check(p, mayShrink);
    if (p.problem.empty() && checks_.maxSize && p.size.width > 0 && Exceeds(p.size, *checks_.maxSize)) {
      if (pixels) {
        Shrink(p, *pixels);
      } else {
        Say(p.source + ": " + SizeText(p.size) + " is larger than " + SizeText(*checks_.maxSize), true);
      }
    }
  }
  if (!p.problem.empty()) {
    p.leftOut = !checks_.keepBroken;
    Say(p.source + ": " + (p.leftOut ? "left out" : "kept although the runtime cannot show it") + ": " + p.problem,
        true);
  }
  return p;
}

void PictureWorkshop::Convert(PreparedPicture& p, const PhoneFormat& format) {
  const auto data = platform::Files().ReadWholeFile(p.path, kMaxPictureFileBytes);
  if (!data) {
    p.problem = "cannot read the file (or it is larger than 512 MB)";
    return;
  }
  DecodedImage image;
  try {
    image = DecodePhonePicture(format, Bytes(*data));
  } catch (const std::exception& e) {
    p.problem = ErrorText(e);
    return;
  }
  // The runtime shows transparent parts on the show's background colour.
  Bitmap24 flat(image.Width(), image.Height(), background_);
  imaging::BlendOnto(image.pixels, image.alpha, flat);
  image = DecodedImage();
  std::string change = std::string("converted from ") + format.name;
  const PictureSize size{flat.Width(), flat.Height()};
  if (checks_.shrink && checks_.maxSize && Exceeds(size, *checks_.maxSize)) {
    const PictureSize fit = FitWithin(size, *checks_.maxSize);
    flat = ShrinkBitmap(flat, fit);
    change += ", shrunk from " + SizeText(size) + " to " + SizeText(fit);
  }
  p.name = WithJpegExtension(p.source);
  p.path = Store(p.name, EncodeJpeg(flat), p.path);
  p.changes.push_back(change);
  Say(p.source + ": " + change + ", stored as " + p.name, false);
}

void PictureWorkshop::TurnUpright(PreparedPicture& p) {
  const auto data = platform::Files().ReadWholeFile(p.path, kMaxPictureFileBytes);
  if (!data) return;  // the check says why
  const std::uint32_t orientation = JpegOrientation(Bytes(*data));
  if (orientation == 1) return;
  if (!TurnsPicture(orientation)) {
    Say(p.source + ": EXIF orientation " + std::to_string(orientation) + " is not one of 1 to 8: left as it is",
        false);
    return;
  }
  if (!LosslessTurningAvailable()) {
    Say(p.source + ": not turned upright (EXIF orientation " + std::to_string(orientation) +
            "): this build of kestro-build cannot turn JPEG pictures",
        true);
    return;
  }
  TurnedJpeg turned;
  try {
    try {
      turned = TurnJpegUpright(Bytes(*data), orientation, JpegWarnings::kRefuse);
    } catch (const EJpegWarning&) {
      // A file the decoder warns about is turned only when the runtime shows
      // it as it is; otherwise the check reports it.
      PreparedPicture original = p;
      Check(original, false);
      if (!original.problem.empty()) return;
      turned = TurnJpegUpright(Bytes(*data), orientation, JpegWarnings::kAccept);
    }
  } catch (const std::exception& e) {
    Say(p.source + ": not turned upright: " + ErrorText(e), true);
    return;
  }
  std::string change = std::string("turned upright (") + TurningText(orientation) + ")";
  if (turned.trimmedColumns > 0 || turned.trimmedRows > 0) {
    change += ", partial edge blocks trimmed: " +
              SizeText({turned.width + turned.trimmedColumns, turned.height + turned.trimmedRows}) + " to " +
              SizeText({turned.width, turned.height});
  }
  p.path = Store(p.name, turned.bytes, p.path);
  p.changes.push_back(change);
  Say(p.source + ": " + change, false);
}

PictureCheck CheckPictureFile(const std::string& path, TColor background, std::optional<Bitmap24>* pixels,
                              std::optional<PictureSize> pixelsBeyond) {
  PictureCheck check;
  const TFileFormat* format = RegisteredFormat(ExtractFileName(path));
  if (format != nullptr) check.format = DecoderKindName(format->kind);
  if (format != nullptr && format->kind == TDecoderKind::dkWindowsMetafile && !platform::MetafilesSupported()) {
    check.checked = false;
    return check;
  }
  TPicture picture;
  try {
    LoadPicture(picture, path, background);
  } catch (const std::exception& e) {
    check.problem = ErrorText(e);
    return check;
  }
  if (!picture.HasGraphic()) {
    check.problem = "the picture is empty";
    return check;
  }
  check.size = {picture.Width(), picture.Height()};
  if (pixels != nullptr && (!pixelsBeyond || Exceeds(check.size, *pixelsBeyond))) *pixels = picture.Bitmap().Image();
  return check;
}

std::optional<Bitmap24> PictureWorkshop::Check(PreparedPicture& p, bool keepPixels) {
  std::optional<Bitmap24> pixels;
  const PictureCheck check = CheckPictureFile(p.path, background_, keepPixels ? &pixels : nullptr, checks_.maxSize);
  p.format = check.format;
  p.size = check.size;
  p.problem = check.problem;
  if (!check.checked) Say(p.source + ": not checked: this platform cannot play Windows metafiles", false);
  return pixels;
}

void PictureWorkshop::Shrink(PreparedPicture& p, const Bitmap24& pixels) {
  const PictureSize fit = FitWithin(p.size, *checks_.maxSize);
  const TFileFormat* format = RegisteredFormat(p.name);
  const std::string name = format != nullptr && format->kind == TDecoderKind::dkJPEG ? p.name : WithJpegExtension(p.name);
  const std::string change = "shrunk from " + SizeText(p.size) + " to " + SizeText(fit);
  p.path = Store(name, EncodeJpeg(ShrinkBitmap(pixels, fit)), p.path);
  p.name = name;
  p.changes.push_back(change);
  Say(p.source + ": " + change + (name != p.source ? ", stored as " + name : std::string()), false);
  Check(p, false);
}

void FollowRenamedPictures(TMemIniFile& ini, const std::vector<PreparedPicture>& pictures) {
  auto copy = [&ini](const char* section, const std::string& from, const std::string& to) {
    if (!ini.ValueExists(section, to)) {
      if (const auto value = ini.Find(section, from)) ini.WriteString(section, to, *value);
    }
  };
  for (const PreparedPicture& p : pictures) {
    if (p.leftOut || SameText(p.name, p.source)) continue;
    copy("captions", p.source, p.name);
    copy("effects", EffectKeyOf(p.source), EffectKeyOf(p.name));
    if (ini.ValueExists("Pictures", ItemKey(p.source))) ini.WriteString("Pictures", ItemKey(p.source), "0");
  }
}

}  // namespace kestro::builder
