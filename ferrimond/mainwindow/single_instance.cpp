#include "ferrimond/mainwindow/single_instance.h"

#include <sddl.h>

namespace ferrimond {

SingleInstance::SingleInstance(const wchar_t* name) {
  // Authenticated users, the system and administrators may open the mutex;
  // without this an elevated owner's default rights would lock out the
  // others, who could not tell "running" from "refused".
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
  if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;GA;;;AU)(A;;GA;;;SY)(A;;GA;;;BA)",
                                                           SDDL_REVISION_1, &descriptor, nullptr))
    attributes.lpSecurityDescriptor = descriptor;
  mutex_ = CreateMutexW(&attributes, FALSE, name);
  // Access denied means the object exists under another account's rights:
  // someone else has it.
  const DWORD error = GetLastError();
  another_ = error == ERROR_ALREADY_EXISTS || (mutex_ == nullptr && error == ERROR_ACCESS_DENIED);
  if (descriptor) LocalFree(descriptor);
}

SingleInstance::~SingleInstance() {
  if (mutex_) CloseHandle(mutex_);
}

}  // namespace ferrimond
