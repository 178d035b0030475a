#include "gallery.h"

#include <algorithm>
#include <cstdio>

#include "common/paths.h"
#include "common/random.h"
#include "effect_renderer.h"
#include "picture_encode.h"
#include "platform/api/files.h"
#include "png_writer.h"
#include "raster/draw.h"
#include "raster/stretch.h"
#include "transition/effect.h"
#include "webp_animation.h"

namespace kestro::effects_tool {

namespace {

// How long the old picture stands before the change and the new one after
// it, and each frame in between: the show's default pacing is 30 ms, a
// little slower reads better on a page full of previews.
constexpr int kHoldBeforeMs = 700;
constexpr int kHoldAfterMs = 1300;
constexpr int kFrameMs = 45;

std::string HtmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string PreviewName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "effects/%03d.webp", number);
  return name;
}

std::string FamilyName(const TEffect& effect) { return effect.Family != nullptr ? effect.Family->Name : ""; }

// The whole change of one effect as an animation.
std::vector<std::uint8_t> Preview(EffectRenderer& renderer, int number, const GalleryOptions& options) {
  WebPAnimation animation(options.width, options.height, options.quality);
  // The random effects draw from the shared generator: the same previews
  // every time.
  RandomState = static_cast<std::uint32_t>(number);
  renderer.Sequence(number, [&](int progress, const Bitmap24& screen) {
    animation.Add(screen, progress == 0 ? kHoldBeforeMs : progress == 100 ? kHoldAfterMs : kFrameMs);
  });
  return animation.Finish();
}

constexpr char kStyle[] = R"(
  body { margin: 0; padding: 24px; background: #1b1d21; color: #e8e8e8; font: 15px/1.4 system-ui, sans-serif; }
  h1 { margin: 0 0 4px; font-size: 24px; font-weight: 600; }
  p.about { margin: 0 0 20px; color: #b8bcc4; max-width: 70em; }
  main { display: grid; grid-template-columns: repeat(auto-fill, minmax(%dpx, 1fr)); gap: 18px; }
  figure { margin: 0; background: #262a30; border-radius: 6px; overflow: hidden; }
  figure img, figure div { display: block; width: 100%%; height: auto; aspect-ratio: %d / %d; background: #111; }
  figcaption { padding: 6px 10px 8px; }
  figcaption b { display: inline-block; min-width: 2em; margin-right: 0.4em; color: #9fc3ff; }
  figcaption span { display: block; color: #8a8f98; font-size: 12px; }
)";

std::string Page(const GalleryOptions& options, int built) {
  char style[2048];
  std::snprintf(style, sizeof style, kStyle, options.width, options.width, options.height);
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>Kestro transition effects</title>\n<style>" +
      std::string(style) + "</style>\n</head>\n<body>\n<h1>Kestro transition effects</h1>\n";
  html += "<p class=\"about\">" + std::to_string(built) + " of " + std::to_string(kEffectCount) +
          " effects built. Each preview is a whole change from the first photograph to the second, "
          "frame by frame as the show draws it at step " +
          std::to_string(options.step) +
          " (the default speed). The number is the one the settings' effect list uses.</p>\n<main>\n";
  for (int n = 1; n <= kEffectCount; ++n) {
    const TEffect& effect = EffectTable[n];
    const std::string name = HtmlEscaped(effect.Name);
    html += "<figure id=\"effect-" + std::to_string(n) + "\">";
    if (EffectImplemented(n)) {
      html += "<img src=\"" + PreviewName(n) + "\" width=\"" + std::to_string(options.width) + "\" height=\"" +
              std::to_string(options.height) + "\" alt=\"Effect " + std::to_string(n) + ": " + name + "\">";
    } else {
      html += "<div></div>";
    }
    const std::string family = EffectImplemented(n) ? HtmlEscaped(FamilyName(effect)) : "not built yet";
    html += "<figcaption><b>" + std::to_string(n) + "</b>" + name + "<span>" + family + "</span></figcaption></figure>\n";
  }
  html += "</main>\n</body>\n</html>\n";
  return html;
}

}  // namespace

Bitmap24 FitPhoto(const Bitmap24& photo, std::int32_t width, std::int32_t height) {
  if (photo.IsEmpty()) return Bitmap24(width, height);
  // The largest part of width:height proportions, about the centre.
  std::int64_t cw = photo.Width(), ch = std::int64_t{photo.Width()} * height / width;
  if (ch > photo.Height()) {
    ch = photo.Height();
    cw = std::int64_t{photo.Height()} * width / height;
  }
  cw = std::max<std::int64_t>(cw, 1);
  ch = std::max<std::int64_t>(ch, 1);
  Bitmap24 part(static_cast<std::int32_t>(cw), static_cast<std::int32_t>(ch));
  CopyRect(part, 0, 0, part.Width(), part.Height(), photo, static_cast<std::int32_t>((photo.Width() - cw) / 2),
           static_cast<std::int32_t>((photo.Height() - ch) / 2));
  if (part.Width() >= width && part.Height() >= height) return builder::ShrinkBitmap(part, {width, height});
  Bitmap24 fitted(width, height);
  StretchCopy(fitted, fitted.Bounds(), part, part.Bounds());
  return fitted;
}

GallerySummary MakeGallery(const Bitmap24& first, const Bitmap24& second, const GalleryOptions& options,
                           const std::string& folder) {
  const std::string previews = JoinPath(folder, "effects");
  if (!platform::Files().CreateDirectories(previews)) throw EFCreateError("Cannot create folder \"" + previews + "\"");
  EffectRenderer renderer(FitPhoto(first, options.width, options.height),
                          FitPhoto(second, options.width, options.height), options.step);
  GallerySummary summary;
  summary.effects = kEffectCount;
  for (int n : BuiltEffects()) {
    const std::vector<std::uint8_t> bytes = Preview(renderer, n, options);
    WriteFileBytes(JoinPath(folder, PreviewName(n)), bytes.data(), bytes.size());
    summary.bytes += bytes.size();
    ++summary.previews;
  }
  const std::string html = Page(options, summary.previews);
  WriteFileBytes(JoinPath(folder, "index.html"), reinterpret_cast<const std::uint8_t*>(html.data()), html.size());
  summary.bytes += html.size();
  return summary;
}

}  // namespace kestro::effects_tool
