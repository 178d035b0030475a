#include "cli.h"

#include <charconv>
#include <cstdio>
#include <ostream>
#include <string_view>

#include "common/error.h"
#include "common/intparse.h"
#include "common/random.h"
#include "contact_sheet.h"
#include "effect_renderer.h"
#include "gallery.h"
#include "imaging/graphic.h"
#include "imaging/load_picture.h"
#include "platform/api/files.h"
#include "png_writer.h"
#include "sample_photos.h"
#include "tool_cli.h"
#include "transition/effect.h"
#include "webp_animation.h"

namespace kestro::effects_tool {

namespace {

using toolcli::EUsageError;
using toolcli::TakeOption;

// An input the tool cannot use.
KESTRO_DECLARE_ERROR(EEffectsError);

constexpr char kUsage[] =
    "Usage:\n"
    "  kestro-effects frame --effect N --progress P [--step S] [--seed X] OLD NEW OUT.png\n"
    "      Writes the screen after one frame of effect N at progress P (0..100), changing from\n"
    "      picture OLD to picture NEW (both of one size), as the display component draws it.\n"
    "  kestro-effects sequence --effect N [--step S] [--seed X] OLD NEW OUTDIR\n"
    "      Writes every frame of a change from OLD to NEW with effect N into OUTDIR, named\n"
    "      frame-PPP.png after the progress PPP each was drawn at.\n"
    "  kestro-effects sheet [--effects LIST] [--progress LIST] [--step S] [--seed X] OLD NEW OUT.png\n"
    "      Writes a contact sheet: each effect of LIST (default: every built one) at the\n"
    "      progress values of LIST (default 25,50,75), labelled with number and name.\n"
    "  kestro-effects gallery [--photos A B] [--size WxH] [--step S] OUTDIR\n"
    "      Writes OUTDIR/index.html: every effect with its number, name and an animated\n"
    "      preview of a whole change (OUTDIR/effects/NNN.webp), from photograph A to B\n"
    "      (default: the two built into the tool), previews WxH (default 360x240).\n"
    "  kestro-effects list\n"
    "      Lists the 150 effects with their names and whether each is built.\n"
    "Step S is the percentage added per frame (1..100, default 4); --seed X sets the shared\n"
    "random generator first, for the random effects. Pictures load by their extension.\n";

struct Options {
  int effect = -1;
  int progress = -1;
  int step = 4;
  bool seeded = false;
  std::uint32_t seed = 0;
  std::string effects;
  std::string progressList;
  std::vector<std::string> files;
};

int ParseNumber(std::string_view name, const std::string& text, int low, int high) {
  const std::optional<std::int32_t> value = ParseInteger(text);
  if (!value || *value < low || *value > high) {
    throw EUsageError(std::string(name) + " needs a number from " + std::to_string(low) + " to " +
                      std::to_string(high) + ", not \"" + text + "\"");
  }
  return *value;
}

Options Parse(const std::vector<std::string>& args, std::size_t fileCount) {
  Options o;
  const std::string& command = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string value;
    if (command != "sheet" && TakeOption(args, i, "--effect", value)) {
      o.effect = ParseNumber("--effect", value, 0, 255);
    } else if (TakeOption(args, i, "--progress", value)) {
      if (command == "sheet") {
        o.progressList = value;
      } else if (command == "frame") {
        o.progress = ParseNumber("--progress", value, 0, 100);
      } else {
        throw EUsageError(command + ": unknown argument \"--progress\"");
      }
    } else if (TakeOption(args, i, "--step", value)) {
      o.step = ParseNumber("--step", value, 1, 100);
    } else if (TakeOption(args, i, "--seed", value)) {
      // Every state of the 32-bit generator: 0 to 4294967295.
      std::uint32_t seed = 0;
      const auto [end, rc] = std::from_chars(value.data(), value.data() + value.size(), seed);
      if (value.empty() || rc != std::errc() || end != value.data() + value.size()) {
        throw EUsageError("--seed needs a number from 0 to 4294967295, not \"" + value + "\"");
      }
      o.seeded = true;
      o.seed = seed;
    } else if (command == "sheet" && TakeOption(args, i, "--effects", value)) {
      o.effects = value;
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      throw EUsageError(command + ": unknown argument \"" + args[i] + "\"");
    } else {
      o.files.push_back(args[i]);
    }
  }
  if (o.files.size() != fileCount) {
    throw EUsageError(command + " takes " + std::to_string(fileCount) + " file arguments, not " +
                      std::to_string(o.files.size()));
  }
  if (command != "sheet" && o.effect < 0) throw EUsageError(command + ": --effect is required");
  if (command == "frame" && o.progress < 0) throw EUsageError("frame: --progress is required");
  return o;
}

// "1,5,7-9" style lists of numbers within [low, high].
std::vector<int> ParseList(std::string_view name, const std::string& text, int low, int high) {
  std::vector<int> values;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(start, end - start);
    if (!item.empty()) {
      const std::size_t dash = item.find('-', 1);
      if (dash != std::string::npos) {
        const int first = ParseNumber(name, item.substr(0, dash), low, high);
        const int last = ParseNumber(name, item.substr(dash + 1), low, high);
        if (last < first) throw EUsageError(std::string(name) + ": empty range \"" + item + "\"");
        for (int v = first; v <= last; ++v) values.push_back(v);
      } else {
        values.push_back(ParseNumber(name, item, low, high));
      }
    }
    start = end + 1;
  }
  if (values.empty()) throw EUsageError(std::string(name) + " lists nothing");
  return values;
}

bool Drawable(int number) { return number == 0 || EffectImplemented(number); }

void RequireDrawable(int number) {
  if (number > kEffectCount) {
    throw EEffectsError("There is no effect " + std::to_string(number) + ": effects are numbered 1 to 150");
  }
  if (!Drawable(number)) {
    throw EEffectsError("Effect " + std::to_string(number) + " (\"" + FindEffect(number)->Name +
                        "\") is not built yet");
  }
}

Bitmap24 LoadBitmap(const std::string& fileName) {
  if (!platform::Files().FileExists(fileName)) throw EFOpenError("Cannot open file \"" + fileName + "\"");
  TPicture picture;
  LoadPicture(picture, fileName, 0);
  const TGraphic* graphic = picture.Graphic();
  if (graphic == nullptr || graphic->Empty()) throw EEffectsError("\"" + fileName + "\" holds no picture");
  Bitmap24 bitmap(graphic->Width(), graphic->Height());
  graphic->Draw(bitmap);
  return bitmap;
}

struct Pictures {
  Bitmap24 oldPicture;
  Bitmap24 newPicture;
};

Pictures LoadPair(const Options& o) {
  Pictures p{LoadBitmap(o.files[0]), LoadBitmap(o.files[1])};
  if (p.oldPicture.Width() != p.newPicture.Width() || p.oldPicture.Height() != p.newPicture.Height()) {
    throw EEffectsError("The pictures differ in size: " + std::to_string(p.oldPicture.Width()) + " x " +
                        std::to_string(p.oldPicture.Height()) + " and " + std::to_string(p.newPicture.Width()) +
                        " x " + std::to_string(p.newPicture.Height()));
  }
  return p;
}

std::string FrameName(int progress) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%03d.png", progress);
  return name;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + "/" + name;
}

// "WxH", each side 16 to 1920.
void ParseSize(const std::string& text, GalleryOptions& options) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string::npos) throw EUsageError("--size needs WIDTHxHEIGHT, not \"" + text + "\"");
  options.width = ParseNumber("--size", text.substr(0, x), 16, 1920);
  options.height = ParseNumber("--size", text.substr(x + 1), 16, 1920);
}

int Gallery(const std::vector<std::string>& args, std::ostream& out) {
  GalleryOptions options;
  std::vector<std::string> photos, folders;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string value;
    if (args[i] == "--photos") {
      if (i + 2 >= args.size()) throw EUsageError("--photos needs two picture files");
      photos = {args[i + 1], args[i + 2]};
      i += 2;
    } else if (TakeOption(args, i, "--size", value)) {
      ParseSize(value, options);
    } else if (TakeOption(args, i, "--step", value)) {
      options.step = static_cast<std::uint16_t>(ParseNumber("--step", value, 1, 100));
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      throw EUsageError("gallery: unknown argument \"" + args[i] + "\"");
    } else {
      folders.push_back(args[i]);
    }
  }
  if (folders.size() != 1 || folders[0].empty()) {
    throw EUsageError("gallery takes one folder, not " + std::to_string(folders.size()));
  }
  if (!WebPAvailable()) throw EEffectsError("This build makes no gallery: it has no WebP encoder (libwebp)");
  const std::vector<Bitmap24> pair = photos.empty() ? SamplePhotos()
                                                    : std::vector<Bitmap24>{LoadBitmap(photos[0]), LoadBitmap(photos[1])};
  const GallerySummary summary = MakeGallery(pair[0], pair[1], options, folders[0]);
  char size[32];
  std::snprintf(size, sizeof size, "%.1f MB", static_cast<double>(summary.bytes) / 1e6);
  out << summary.effects << " effects, " << summary.previews << " previews, " << size << ": "
      << JoinPath(folders[0], "index.html") << '\n';
  return 0;
}

int Run(const std::vector<std::string>& args, std::ostream& out) {
  const std::string& command = args[0];
  if (command == "list") {
    if (args.size() != 1) throw EUsageError("list takes no arguments");
    for (int n = 1; n <= kEffectCount; ++n) {
      out << n << '\t' << FindEffect(n)->Name << '\t' << (EffectImplemented(n) ? "built" : "not built") << '\n';
    }
    out << BuiltEffects().size() << " of " << kEffectCount << " built\n";
    return 0;
  }
  if (command == "gallery") return Gallery(args, out);
  if (command == "frame") {
    const Options o = Parse(args, 3);
    RequireDrawable(o.effect);
    Pictures p = LoadPair(o);
    if (o.seeded) RandomState = o.seed;
    EffectRenderer renderer(std::move(p.oldPicture), std::move(p.newPicture), static_cast<std::uint16_t>(o.step));
    WritePNG(renderer.Frame(o.effect, o.progress), o.files[2]);
    return 0;
  }
  if (command == "sequence") {
    const Options o = Parse(args, 3);
    RequireDrawable(o.effect);
    Pictures p = LoadPair(o);
    const std::string& folder = o.files[2];
    if (!platform::Files().CreateDirectories(folder)) throw EFCreateError("Cannot create folder \"" + folder + "\"");
    if (o.seeded) RandomState = o.seed;
    EffectRenderer renderer(std::move(p.oldPicture), std::move(p.newPicture), static_cast<std::uint16_t>(o.step));
    int frames = 0;
    renderer.Sequence(o.effect, [&](int progress, const Bitmap24& screen) {
      WritePNG(screen, JoinPath(folder, FrameName(progress)));
      ++frames;
    });
    out << frames << " frames\n";
    return 0;
  }
  if (command == "sheet") {
    const Options o = Parse(args, 3);
    std::vector<int> effects;
    if (o.effects.empty()) {
      effects = BuiltEffects();
      if (effects.empty()) throw EEffectsError("No effect is built yet");
    } else {
      effects = ParseList("--effects", o.effects, 0, 255);
      for (int n : effects) RequireDrawable(n);
    }
    const std::vector<int> progress =
        o.progressList.empty() ? std::vector<int>{25, 50, 75} : ParseList("--progress", o.progressList, 0, 100);
    Pictures p = LoadPair(o);
    if (o.seeded) RandomState = o.seed;
    const std::int32_t w = p.oldPicture.Width();
    const std::int32_t h = p.oldPicture.Height();
    EffectRenderer renderer(std::move(p.oldPicture), std::move(p.newPicture), static_cast<std::uint16_t>(o.step));
    WritePNG(MakeContactSheet(renderer, w, h, effects, progress), o.files[2]);
    return 0;
  }
  throw EUsageError("unknown command \"" + command + "\"");
}

}  // namespace

int RunKestroEffects(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    out << kUsage;
    return 0;
  }
  try {
    return Run(args, out);
  } catch (const EUsageError& e) {
    err << "kestro-effects: " << e.what() << "\n" << kUsage;
    return 2;
  } catch (const std::exception& e) {
    err << "kestro-effects: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace kestro::effects_tool
