#include "cli.h"

#include <ostream>
#include <string_view>

#include "build_error.h"
#include "decoder.h"
#include "folders.h"
#include "inspect.h"
#include "payload_writer.h"
#include "platform/api/files.h"
#include "progress.h"

namespace kestro::builder {

namespace {

constexpr char kUsage[] =
    "Usage:\n"
    "  kestro-build make --runtime R --out OUT.scr --title T [--picture F]... [--pictures DIR]...\n"
    "                    [--music F|DIR]... [--recursive] [--file F]... [--store-as-is NAME]...\n"
    "                    [--settings INI] [--set SECTION.KEY=VALUE]... [--keep-orientation]\n"
    "                    [--keep-broken] [--max-size WxH [--shrink]] [--quiet]\n"
    "                    [--decoder LIB | --no-decoder]\n"
    "      Appends a payload to a copy of the runtime R: each item zipped (or as it is, for the\n"
    "      names given with --store-as-is), then the settings file T.002. --picture and --music\n"
    "      items are listed in [Pictures] and [Music]; --file items (splash, background,\n"
    "      MPEGDLL.DLL...) only get offsets. --pictures DIR and --music DIR add the folder's\n"
    "      pictures or music in name order (--recursive: sub-folders too), saying what they skip.\n"
    "      --settings gives the INI text to start from, and each --set writes one value into it.\n"
    "      Pictures: JPEG files turned by their EXIF orientation are turned upright losslessly\n"
    "      (--keep-orientation: left as they are); HEIC/HEIF, AVIF and WebP pictures become\n"
    "      JPEG files of the same base name; every picture is decoded as the runtime decodes\n"
    "      it, and one the runtime would skip is left out (--keep-broken: kept). Pictures\n"
    "      larger than --max-size are reported, and with --shrink stored at that size.\n"
    "      When the music list holds an MP3, the decoder library for the runtime's architecture\n"
    "      (mpegdll.dll or libmpegdll.so, found beside R or in the build tree's tools/mpegdll, or\n"
    "      named with --decoder) goes into the payload too; --no-decoder leaves it out.\n"
    "      A progress bar on a terminal, plain lines otherwise; --quiet: no progress.\n"
    "      From the Linux runtime the screensaver is an executable program, and OUT.xml beside it\n"
    "      describes it to xscreensaver as a hack (run with -root).\n"
    "  kestro-build inspect SAVER\n"
    "      Shows the payload of SAVER: the settings file, every item with its offsets, storage\n"
    "      and size (pictures with their format and size), and the entries of each zipped item.\n"
    "  kestro-build extract SAVER DIR\n"
    "      Extracts the settings file and every item of SAVER into DIR.\n"
    "  kestro-build unzip ARCHIVE DIR\n"
    "      Extracts every entry of a ZIP archive into DIR and prints how many.\n"
    "  kestro-build --help\n";

using toolcli::TakeOption;

// An input of the command line: a file, or a folder to take files from.
struct MakeInput {
  ItemKind kind;
  std::string path;
  bool folder;
};

struct MakeCommand {
  BuildOptions options;
  std::vector<MakeInput> inputs;
  bool recursive = false;
  bool quiet = false;
  DecoderChoice decoder;
};

MakeCommand ParseMake(const std::vector<std::string>& args) {
  MakeCommand command;
  BuildOptions& options = command.options;
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
      command.inputs.push_back({ItemKind::kPicture, value, false});
    } else if (TakeOption(args, i, "--pictures", value)) {
      command.inputs.push_back({ItemKind::kPicture, value, true});
    } else if (TakeOption(args, i, "--music", value)) {
      // A file, or a folder of music.
      command.inputs.push_back({ItemKind::kMusic, value, platform::Files().DirectoryExists(value)});
    } else if (TakeOption(args, i, "--file", value)) {
      command.inputs.push_back({ItemKind::kFile, value, false});
    } else if (args[i] == "--recursive") {
      command.recursive = true;
    } else if (args[i] == "--keep-orientation") {
      options.pictures.turnUpright = false;
    } else if (args[i] == "--keep-broken") {
      options.pictures.keepBroken = true;
    } else if (TakeOption(args, i, "--max-size", value)) {
      options.pictures.maxSize = ParsePictureSize(value);
    } else if (args[i] == "--shrink") {
      options.pictures.shrink = true;
    } else if (args[i] == "--quiet") {
      command.quiet = true;
    } else if (TakeOption(args, i, "--store-as-is", value)) {
      options.storeAsIs.push_back(value);
    } else if (TakeOption(args, i, "--settings", value)) {
      options.settings = value;
    } else if (args[i] == "--no-decoder") {
      command.decoder.none = true;
    } else if (TakeOption(args, i, "--decoder", value)) {
      command.decoder.file = value;
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
  if (options.pictures.shrink && !options.pictures.maxSize) throw EUsageError("make: --shrink needs --max-size");
  return command;
}

// The items in command-line order, each folder's files at its place.
void AddInputs(MakeCommand& command, BuildReport& report) {
  for (const MakeInput& input : command.inputs) {
    if (!input.folder) {
      command.options.items.push_back({input.kind, input.path});
      continue;
    }
    const FolderScan scan = ScanFolder(
        input.path, input.kind == ItemKind::kPicture ? FolderContent::kPictures : FolderContent::kMusic,
        command.recursive);
    for (const std::string& line : scan.skipped) report.Say("skipped " + line, false);
    for (const std::string& file : scan.files) command.options.items.push_back({input.kind, file});
  }
}

void ExpectArguments(const std::vector<std::string>& args, std::size_t count) {
  if (args.size() != count + 1) {
    throw EUsageError(args[0] + " takes " + std::to_string(count) + (count == 1 ? " argument" : " arguments"));
  }
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::string& command = args[0];
  if (command == "make") {
    MakeCommand make = ParseMake(args);
    ProgressPrinter report(out, err, StandardErrorStyle(make.quiet), StandardErrorColumns());
    AddInputs(make, report);
    if (make.decoder.none && !make.decoder.file.empty()) {
      throw EUsageError("make: --decoder and --no-decoder exclude each other");
    }
    AddDecoderLibrary(make.options, make.decoder);
    make.options.report = &report;
    const BuildResult result = MakeScreensaver(make.options);
    for (const std::string& warning : result.warnings) report.Say(warning, true);
    for (const BuiltItem& item : result.items) {
      out << item.key << "  " << (item.asIs ? "as-is" : "zip") << "  " << item.start << ".." << item.end << "\n";
    }
    out << "settings " << result.settingsName << ", marker at " << result.markerOffset << ", " << result.fileSize
        << " bytes written\n";
    if (!result.hackDescription.empty()) out << "xscreensaver hack description: " << result.hackDescription << "\n";
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
