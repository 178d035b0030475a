#include "app/startup.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "common/error.h"
#include "common/paths.h"
#include "dialogs/image_config_form.h"
#include "music/music.h"
#include "payload/payload.h"
#include "platform/api/files.h"
#include "platform/api/system.h"
#include "platform/api/ui.h"
#include "saver/fullscreen_form.h"
#include "saver/preview_form.h"
#include "saver/saver_password.h"
#include "settings/saver_setting.h"
#include "settings/setting_report.h"
#include "settings/sources.h"

namespace kestro {

namespace {

// Shows the form as the main window and serves the event loop until it
// closes; the form goes before the next step of the end of the run.
template <typename Form>
void RunMainWindow() {
  Form form;
  form.Show();
  platform::UI().Loop().Run();
}

// The still preview is chosen when the settings ask for it and its picture
// resolves to a file that exists.
bool StillPreviewReady() {
  if (!SaverSetting.Build_UseStaticPreview) return false;
  try {
    return ResolveSource(SaverSetting.Build_StaticImage) &&
           platform::Files().FileExists(SaverSetting.Build_StaticImage);
  } catch (...) {
    return false;  // a picture that cannot be fetched: the live preview instead
  }
}

// The settings dialog, where the window system has a dialog view.
void RunSettingsDialog() {
  const std::unique_ptr<TDistributeConfigForm> form = TDistributeConfigForm::Create();
  if (!form) return;
  form->Show();
  platform::UI().Loop().Run();
}

// Runs the one window (or request) of this run. Without a window system
// (Linux without a display) a run that needs a window ends here.
void Dispatch() {
  if (!platform::HasWindowSystem()) return;
  if (RunAsExe || HackConvention != kHackNone) {
    RunMainWindow<TFullscreenForm>();
    return;
  }
  if (RunMode == kRunPasswordChange && ParentWindow != 0) {
    ChangeSaverPassword();
    return;
  }
  switch (RunMode) {
    case kRunSaver:
      RunMainWindow<TFullscreenForm>();
      return;
    case kRunPreview:
      if (StillPreviewReady()) {
        RunMainWindow<TCommercePreviewForm>();
      } else {
        RunMainWindow<TPreviewForm>();
      }
      return;
    case kRunConfigure:
    case kRunConfigureSwitch:
      RunSettingsDialog();
      return;
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
  line("HackConvention", std::to_string(HackConvention));
  line("HackWindow", std::to_string(HackWindow));
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

namespace {

// Runs when the process ends through exit() from below the program, as the
// X library does when the connection to the display is lost (the X server
// ended with the session): the extracted pictures do not stay behind.
void CleanTempFoldersAtExit() { CleanTempFolders(); }

}  // namespace

int RunProgram() {
  PayloadModuleStartup();
  static const bool cleanAtExit = std::atexit(CleanTempFoldersAtExit) == 0;
  (void)cleanAtExit;
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
    FreeMusicPlayers();
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
    FreeMusicPlayers();
    CleanTempFolders();
    ResetPayload();
  }
  return exitCode;
}

}  // namespace kestro
