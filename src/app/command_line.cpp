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

// A window id as the daemons write it: decimal, 0x hexadecimal; 0 when it is
// neither (or names no window).
platform::WindowHandle HackWindowId(const std::string& text) {
  const std::optional<std::int32_t> id = ParseIniInteger(text);
  return id && *id > 0 ? static_cast<platform::WindowHandle>(*id) : 0;
}

// The hack convention the arguments ask for, if any.
bool ReadHackConvention(const std::vector<std::string>& args, const HackEnvironment& env,
                        CommandLineResult& result) {
  const platform::WindowHandle daemonWindow = env.xscreensaverWindow ? HackWindowId(*env.xscreensaverWindow) : 0;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string option = args[i];
    if (option.rfind("--", 0) == 0) option.erase(0, 1);
    if (option == "-root") {
      result.hackConvention = kHackRoot;
      result.hackWindow = daemonWindow;
      return true;
    }
    if (option == "-window-id") {
      const platform::WindowHandle id = i + 1 < args.size() ? HackWindowId(args[i + 1]) : 0;
      // A window id that names no window: the show in a window of its own.
      result.hackConvention = id != 0 ? kHackWindowId : kHackNewWindow;
      result.hackWindow = id;
      return true;
    }
    if (option == "-window") {
      result.hackConvention = kHackNewWindow;
      return true;
    }
  }
  if (args.size() < 2 && daemonWindow != 0) {
    result.hackConvention = kHackWindowId;
    result.hackWindow = daemonWindow;
    return true;
  }
  return false;
}

}  // namespace

CommandLineResult InterpretCommandLine(const std::vector<std::string>& args, const HackEnvironment* hacks) {
  CommandLineResult result;
  result.saverKind = SaverKindOf(args.empty() ? std::string() : args[0]);
  if (hacks != nullptr && ReadHackConvention(args, *hacks, result)) {
    result.runMode = kRunSaver;
    return result;
  }
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
  platform::System& sys = platform::Sys();
  std::optional<HackEnvironment> hacks;
  if (sys.HackConventions()) hacks = HackEnvironment{sys.Environment("XSCREENSAVER_WINDOW")};
  const CommandLineResult result = InterpretCommandLine(sys.Arguments(), hacks ? &*hacks : nullptr);
  RunMode = result.runMode;
  ParentWindow = result.parentWindow;
  SaverKind = result.saverKind;
  HackConvention = result.hackConvention;
  HackWindow = result.hackWindow;
  PreviousForegroundWindow = result.wantsForegroundWindow ? platform::Sys().ForegroundWindow() : 0;
}

}  // namespace kestro
