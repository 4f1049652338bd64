#pragma once
// One running instance on the machine, through a named mutex that the
// first instance holds for its whole life. The name is global, so that a
// scheduled backup in another session (or another account's window) sees
// it, and any signed-in user may open it: an open it is refused counts as
// another instance running.
#include <windows.h>

namespace ferrimond {

inline constexpr wchar_t kInstanceMutexName[] = L"Global\\Ferrimond.Instance";

class SingleInstance {
 public:
  explicit SingleInstance(const wchar_t* name = kInstanceMutexName);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when another process held the name first.
  bool AnotherIsRunning() const { return another_; }

 private:
  HANDLE mutex_ = nullptr;
  bool another_ = false;
};

}  // namespace ferrimond
