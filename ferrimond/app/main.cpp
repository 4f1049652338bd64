// Ferrimond.exe: the opening splash, then the main window; the process ends
// from the closing splash (or at once when another instance runs).
#include <windows.h>

#include <memory>

#include "ferrimond/forms/forms.h"
#include "ferrimond/forms/windows_user_interaction.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/mainwindow/single_instance.h"
#include "ferrimond/mainwindow/splash_windows.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  ferrimond::forms::InitializeApplication();
  ferrimond::forms::SetAppTitle(L"Ferrimond");
  ferrimond::forms::WindowsUserInteraction ui;
  ferrimond::SingleInstance instance;

  ferrimond::ProcessHooks hooks;
  hooks.anotherInstanceRunning = [&instance] { return instance.AnotherIsRunning(); };
  // Nothing is saved at exit, so the process may end where it stands.
  hooks.endProcess = [] { ExitProcess(0); };

  std::unique_ptr<ferrimond::Frmbackup> main;
  ferrimond::FrmSplash splash(ui, [&] {
    main = std::make_unique<ferrimond::Frmbackup>(ui, hooks);
    main->Show();
  });
  splash.Show();
  return ferrimond::forms::RunMessageLoop();
}
