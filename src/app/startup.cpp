#include "app/startup.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "common/error.h"
#include "common/paths.h"
#include "payload/payload.h"
#include "platform/api/files.h"
#include "platform/api/system.h"
#include "settings/saver_setting.h"
#include "settings/setting_report.h"

namespace kestro {

namespace {

// Runs the one window (or request) of this run. The show, the settings
// dialog and the preview windows are not part of this build yet: their
// branches end the run without showing anything.
void Dispatch() {
  if (RunAsExe) return;                       // the full-screen show
  if (RunMode == kRunPasswordChange && ParentWindow != 0) return;  // password change
  switch (RunMode) {
    case kRunConfigure:
    case kRunConfigureSwitch:                 // settings dialog
    case kRunSaver:                           // the full-screen show
    case kRunPreview:                         // live or still preview
    default:
      return;
  }
}

// When KESTRO_STARTUP_REPORT names a file, the values start-up settled on
// are written there, one "Name=value" a line, for end-to-end tests that
// drive the real program from outside. Nothing is written otherwise.
void WriteStartupReport() {
  const char* target = std::getenv("KESTRO_STARTUP_REPORT");
  if (target == nullptr || *target == '\0') return;
  std::string text;
  auto line = [&text](const std::string& name, const std::string& value) {
    text += name + "=" + value + "\n";
  };
  line("RunMode", std::to_string(RunMode));
  line("ParentWindow", std::to_string(ParentWindow));
  line("SaverKind", std::to_string(SaverKind));
  line("PayloadFound", PayloadFound ? "1" : "0");
  line("RunAsExe", RunAsExe ? "1" : "0");
  line("TempRoot", TempRoot);
  line("SettingsFile", SettingsFile);
  line("SettingsFileExists", platform::Files().FileExists(SettingsFile) ? "1" : "0");
  for (const std::string& name : platform::Files().ListFiles(TempRoot)) line("TempRootFile", name);
  // The settings record as start-up left it, in the form `kestro-build inspect` prints.
  text += FormatSaverSetting(SaverSetting);
  if (auto out = platform::Files().Open(target, platform::OpenMode::kCreate)) {
    out->Write(text.data(), text.size());
  }
}

void ShowStartupError(const char* className, const std::string& message) {
  const std::string module = ExtractFileName(platform::Sys().ProgramPath());
  platform::Sys().ShowMessage(
      "Exception " + std::string(className) + " in module " + module + ".\n" + message + ".",
      "Application Error", platform::MessageIcon::kError);
}

}  // namespace

int RunProgram() {
  PayloadModuleStartup();
  int exitCode = 0;
  try {
    bool alreadyRunning = false;
    const std::unique_ptr<platform::NamedMutex> instance =
        platform::Sys().CreateNamedMutex(kSingleInstanceMutex, &alreadyRunning);
    if (!alreadyRunning) {
      ParseCommandLine();
      LocatePayload();
      LoadAllSettings(SaverKind);
      WriteStartupReport();
      Dispatch();
      if (RunMode == kRunSaver && PreviousForegroundWindow != 0) {
        platform::Sys().SetForegroundWindow(PreviousForegroundWindow);
      }
    }
    CleanTempFolders();
    ResetPayload();
  } catch (const Exception& e) {
    ShowStartupError(e.ClassName(), e.Message());
    exitCode = 1;
  } catch (const std::exception& e) {
    ShowStartupError("Exception", e.what());
    exitCode = 1;
  }
  if (exitCode != 0) {
    CleanTempFolders();
    ResetPayload();
  }
  return exitCode;
}

}  // namespace kestro
