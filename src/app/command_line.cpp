#include "app/command_line.h"

#include "common/ansi.h"
#include "common/intparse.h"
#include "platform/api/system.h"

namespace kestro {

namespace {

std::uint8_t SaverKindOf(const std::string& programPath) {
  if (ContainsText(programPath, "flash")) return kSaverFlash;
  if (ContainsText(programPath, "video")) return kSaverVideo;
  if (ContainsText(programPath, "web")) return kSaverWeb;
  return kSaverImage;
}

platform::WindowHandle HandleArgument(const std::string& text) {
  // Handles are read as signed 32-bit numbers; a 64-bit HWND value that does
  // not fit is not a window this program was given.
  return static_cast<platform::WindowHandle>(ParseInteger(text).value_or(0));
}

}  // namespace

CommandLineResult InterpretCommandLine(const std::vector<std::string>& args) {
  CommandLineResult result;
  result.saverKind = SaverKindOf(args.empty() ? std::string() : args[0]);
  if (args.size() < 2) return result;

  // The first character is the switch character, whatever it is: /s, -s and
  // xs all mean the same.
  const std::string switchText = AnsiUpperCase(args[1]);
  if (switchText.size() < 2) {
    // A lone character names no mode: treat it as no argument at all, the
    // settings dialog, rather than grabbing the screen with the show.
    return result;
  }
  const bool hasHandle = args.size() >= 3;
  switch (switchText[1]) {
    case 'A':
      if (hasHandle) {
        result.runMode = kRunPasswordChange;
        result.parentWindow = HandleArgument(args[2]);
      }
      break;
    case 'C':
      result.runMode = kRunConfigureSwitch;
      break;
    case 'P':
      if (hasHandle) {
        result.runMode = kRunPreview;
        result.parentWindow = HandleArgument(args[2]);
      }
      break;
    default:
      result.runMode = kRunSaver;
      result.wantsForegroundWindow = true;
      break;
  }
  return result;
}

void ParseCommandLine() {
  const CommandLineResult result = InterpretCommandLine(platform::Sys().Arguments());
  RunMode = result.runMode;
  ParentWindow = result.parentWindow;
  SaverKind = result.saverKind;
  PreviousForegroundWindow = result.wantsForegroundWindow ? platform::Sys().ForegroundWindow() : 0;
}

}  // namespace kestro
