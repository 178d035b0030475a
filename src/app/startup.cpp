#include "app/startup.h"

#include <memory>
#include <string>

#include "app/command_line.h"
#include "common/error.h"
#include "common/paths.h"
#include "payload/payload.h"
#include "platform/api/system.h"
#include "settings/payload_settings.h"

namespace kestro {

namespace {

void LoadSettings() {
  // Open the payload's settings file; the settings record is filled from it.
  PayloadSettings() = SettingsFile.empty() ? TMemIniFile() : TMemIniFile(SettingsFile);
}

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
      LoadSettings();
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
