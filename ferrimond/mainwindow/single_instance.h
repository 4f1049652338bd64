#pragma once
// One running instance per user session, through a named mutex that the
// first instance holds for its whole life.
#include <windows.h>

namespace ferrimond {

inline constexpr wchar_t kInstanceMutexName[] = L"Local\\Ferrimond.Instance";

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
