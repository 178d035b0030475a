#include "hack_description.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "build_error.h"

namespace kestro::builder {

namespace {

// Text for an XML attribute or element (the description is ANSI, code page
// 1252, like every text of a screensaver).
std::string XmlText(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        // Control characters have no place in XML 1.0.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out.push_back(c);
        break;
    }
  }
  return out;
}

}  // namespace

std::string HackDescriptionXml(const std::string& programName, const std::string& title) {
  std::string xml;
  xml += "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n\n";
  xml += "<screensaver name=\"" + XmlText(programName) + "\" _label=\"" + XmlText(title) + "\">\n\n";
  xml += "  <command arg=\"-root\"/>\n\n";
  xml += "  <_description>\n";
  xml += XmlText(title) +
         ": a picture slideshow, each change of picture animated by a transition effect, with the captions "
         "and music its author chose. Made with kestro-build.\n\n"
         "Run it with no argument or /c to change its settings.\n";
  xml += "  </_description>\n";
  xml += "</screensaver>\n";
  return xml;
}

std::string FinishLinuxScreensaver(const std::string& saverPath, const std::string& runtimePath,
                                   const std::string& title) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::perms runtime = fs::status(runtimePath, ec).permissions();
  const fs::perms executable = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  fs::perms wanted = (ec ? fs::perms::none : runtime) | fs::perms::owner_read | fs::perms::owner_write |
                     fs::perms::owner_exec;
  if (ec) wanted |= fs::perms::group_read | fs::perms::others_read | executable;
  fs::permissions(saverPath, wanted, fs::perm_options::replace, ec);
  if (ec) throw EBuildError("Cannot make " + Quote(saverPath) + " executable: " + ec.message());

  // The program's name is its whole file name, and so is the description's.
  const fs::path saver(saverPath);
  const fs::path xmlPath(saverPath + ".xml");
  const std::string program = saver.filename().string();
  std::ofstream out(xmlPath, std::ios::binary | std::ios::trunc);
  out << HackDescriptionXml(program, title);
  out.close();
  if (!out) throw EBuildError("Cannot write " + Quote(xmlPath.string()));
  return xmlPath.string();
}

}  // namespace kestro::builder
