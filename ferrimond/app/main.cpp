// Ferrimond.exe: the opening splash, then the main window; the process ends
// from the closing splash (or at once when another instance runs). With
// "/backup" on the command line, one unattended backup runs instead and its
// result is the exit code.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "ferrimond/app/resource_ids.h"
#include "ferrimond/forms/forms.h"
#include "ferrimond/forms/runtime.h"
#include "ferrimond/forms/windows_user_interaction.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/mainwindow/single_instance.h"
#include "ferrimond/mainwindow/splash_windows.h"
#include "ferrimond/unattended/command_line.h"
#include "ferrimond/unattended/unattended_run.h"

namespace {

std::vector<std::wstring> Arguments() {
  std::vector<std::wstring> args;
  int count = 0;
  if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
  }
  return args;
}

// The Almanix.dll beside the program serves its date picker even where
// another version is registered: the manifest resource that names its
// classes is made active on this thread (which creates the controls) for
// the rest of the process. A copy of Ferrimond.exe with no library beside
// it keeps to the registered one.
void UseLibraryBesideProgram() {
  const std::wstring folder = ferrimond::forms::AppPath();
  if (folder.empty() || GetFileAttributesW((folder + L"Almanix.dll").c_str()) == INVALID_FILE_ATTRIBUTES) return;
  const std::wstring program = ferrimond::forms::ProgramPath();
  ACTCTXW context{};
  context.cbSize = sizeof(context);
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID;
  context.lpSource = program.c_str();
  context.hModule = GetModuleHandleW(nullptr);
  context.lpResourceName = MAKEINTRESOURCEW(FERRIMOND_ALMANIX_MANIFEST);
  context.lpAssemblyDirectory = folder.c_str();
  const HANDLE handle = CreateActCtxW(&context);
  ULONG_PTR cookie = 0;
  if (handle != INVALID_HANDLE_VALUE) ActivateActCtx(handle, &cookie);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  UseLibraryBesideProgram();
  ferrimond::forms::InitializeApplication();
  ferrimond::forms::SetAppTitle(L"Ferrimond");
  const ferrimond::UnattendedArgs args = ferrimond::ParseUnattendedArgs(Arguments());
  if (args.backup) return ferrimond::RunUnattended(args);

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
