#include "cli.h"

#include <ostream>
#include <string_view>

#include "build_error.h"
#include "decoder.h"
#include "inspect.h"
#include "payload_writer.h"

namespace kestro::builder {

namespace {

constexpr char kUsage[] =
    "Usage:\n"
    "  kestro-build make --runtime R --out OUT.scr --title T [--picture F]... [--music F]...\n"
    "                    [--file F]... [--store-as-is NAME]... [--settings INI]\n"
    "                    [--set SECTION.KEY=VALUE]... [--decoder LIB | --no-decoder]\n"
    "      Appends a payload to a copy of the runtime R: each item zipped (or as it is, for the\n"
    "      names given with --store-as-is), then the settings file T.002. --picture and --music\n"
    "      items are listed in [Pictures] and [Music]; --file items (splash, background,\n"
    "      MPEGDLL.DLL...) only get offsets. --settings gives the INI text to start from, and\n"
    "      each --set writes one value into it. When the music list holds an MP3, the decoder\n"
    "      library for the runtime's architecture (mpegdll.dll or libmpegdll.so, found beside R or\n"
    "      in the build tree's tools/mpegdll, or named with --decoder) goes into the payload too;\n"
    "      --no-decoder leaves it out.\n"
    "  kestro-build inspect SAVER\n"
    "      Shows the payload of SAVER: the settings file, every item with its offsets, storage\n"
    "      and size, and the entries of each zipped item.\n"
    "  kestro-build extract SAVER DIR\n"
    "      Extracts the settings file and every item of SAVER into DIR.\n"
    "  kestro-build unzip ARCHIVE DIR\n"
    "      Extracts every entry of a ZIP archive into DIR and prints how many.\n"
    "  kestro-build --help\n";

using toolcli::TakeOption;

BuildOptions ParseMake(const std::vector<std::string>& args, DecoderChoice& decoder) {
  BuildOptions options;
  bool haveTitle = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string value;
    if (TakeOption(args, i, "--runtime", value)) {
      options.runtime = value;
    } else if (TakeOption(args, i, "--out", value)) {
      options.out = value;
    } else if (TakeOption(args, i, "--title", value)) {
      options.title = value;
      haveTitle = true;
    } else if (TakeOption(args, i, "--picture", value)) {
      options.items.push_back({ItemKind::kPicture, value});
    } else if (TakeOption(args, i, "--music", value)) {
      options.items.push_back({ItemKind::kMusic, value});
    } else if (TakeOption(args, i, "--file", value)) {
      options.items.push_back({ItemKind::kFile, value});
    } else if (TakeOption(args, i, "--store-as-is", value)) {
      options.storeAsIs.push_back(value);
    } else if (TakeOption(args, i, "--settings", value)) {
      options.settings = value;
    } else if (args[i] == "--no-decoder") {
      decoder.none = true;
    } else if (TakeOption(args, i, "--decoder", value)) {
      decoder.file = value;
    } else if (TakeOption(args, i, "--set", value)) {
      ParseSetting(value);  // a malformed one is a usage error before anything is read
      options.sets.push_back(value);
    } else {
      throw EUsageError("make: unknown argument \"" + args[i] + "\"");
    }
  }
  if (options.runtime.empty()) throw EUsageError("make: --runtime is required");
  if (options.out.empty()) throw EUsageError("make: --out is required");
  if (!haveTitle) throw EUsageError("make: --title is required");
  return options;
}

void ExpectArguments(const std::vector<std::string>& args, std::size_t count) {
  if (args.size() != count + 1) {
    throw EUsageError(args[0] + " takes " + std::to_string(count) + (count == 1 ? " argument" : " arguments"));
  }
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::string& command = args[0];
  if (command == "make") {
    DecoderChoice decoder;
    BuildOptions options = ParseMake(args, decoder);
    if (decoder.none && !decoder.file.empty()) throw EUsageError("make: --decoder and --no-decoder exclude each other");
    AddDecoderLibrary(options, decoder);
    const BuildResult result = MakeScreensaver(options);
    for (const std::string& warning : result.warnings) err << "kestro-build: warning: " << warning << "\n";
    for (const BuiltItem& item : result.items) {
      out << item.key << "  " << (item.asIs ? "as-is" : "zip") << "  " << item.start << ".." << item.end << "\n";
    }
    out << "settings " << result.settingsName << ", marker at " << result.markerOffset << ", " << result.fileSize
        << " bytes written\n";
    return 0;
  }
  if (command == "inspect") {
    ExpectArguments(args, 1);
    const Inspection inspection = InspectScreensaver(args[1]);
    PrintInspection(inspection, out);
    PrintDecoderLibrary(args[1], inspection, out);
    return inspection.Sound() ? 0 : 1;
  }
  if (command == "extract") {
    ExpectArguments(args, 2);
    const Extraction result = ExtractScreensaver(args[1], args[2]);
    int failed = 0;
    out << "settings file: " << (result.settingsFile.empty() ? std::string("none") : result.settingsFile) << "\n";
    for (const ExtractedItem& item : result.items) {
      if (item.ok) {
        out << item.name << " -> " << item.file << "\n";
      } else {
        ++failed;
        err << "kestro-build: " << item.name << ": " << item.problem << "\n";
      }
    }
    out << (result.items.size() - failed) << " of " << result.items.size() << " items extracted\n";
    return failed == 0 ? 0 : 1;
  }
  if (command == "unzip") {
    ExpectArguments(args, 2);
    out << UnzipArchive(args[1], args[2]) << " entries extracted\n";
    return 0;
  }
  throw EUsageError("unknown command \"" + command + "\"");
}

}  // namespace

int RunKestroBuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help" || args[0] == "/?") {
    out << kUsage;
    return 0;
  }
  try {
    return Run(args, out, err);
  } catch (const EUsageError& e) {
    err << "kestro-build: " << e.ClassName() << ": " << e.Message() << "\n" << "Try kestro-build --help\n";
    return 2;
  } catch (const kestro::Exception& e) {
    err << "kestro-build: " << e.ClassName() << ": " << e.Message() << "\n";
    return 1;
  } catch (const std::exception& e) {
    err << "kestro-build: Exception: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace kestro::builder
