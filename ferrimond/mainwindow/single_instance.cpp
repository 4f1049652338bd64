#include "ferrimond/mainwindow/single_instance.h"

namespace ferrimond {

SingleInstance::SingleInstance(const wchar_t* name) {
  mutex_ = CreateMutexW(nullptr, FALSE, name);
  // Access denied means the object exists under another account's rights:
  // someone else has it.
  const DWORD error = GetLastError();
  another_ = error == ERROR_ALREADY_EXISTS || (mutex_ == nullptr && error == ERROR_ACCESS_DENIED);
}

SingleInstance::~SingleInstance() {
  if (mutex_) CloseHandle(mutex_);
}

}  // namespace ferrimond
