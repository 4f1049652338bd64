#pragma once
// The two small windows that frame the main one: frmSplash while the program
// comes up, frmSplashEnd while it goes.
#include <functional>

#include "ferrimond/controls/xlink_label.h"
#include "ferrimond/forms/forms.h"

namespace ferrimond {

// The program's picture (splash windows, about box): a square bitmap of
// `size` pixels, owned by the caller.
HBITMAP DrawProgramPicture(int size);

// Shared look of the two splash windows: picture left, texts right.
class SplashWindow : public forms::Form {
 public:
  SplashWindow(forms::UserInteraction& ui, const wchar_t* name, const wchar_t* firstLine,
               int interval);

  forms::Image Image1{*this, L"Image1", {240, 240, 1440, 1440}};
  forms::Label Label1;
  forms::Label Label2{*this, L"Label2", {1920, 840, 3600, 495},
                      L"If you like the program, then please tell your friends!"};
  XLinkLabel XLinkLabel1{*this, L"XLinkLabel1", {1920, 1440, 3600, 255}};
  forms::Timer Timer1;
};

class FrmSplash : public SplashWindow {
 public:
  // `loadMain` loads and shows the main window when the timer first fires.
  FrmSplash(forms::UserInteraction& ui, std::function<void()> loadMain);
  void Timer1_Timer();

 private:
  std::function<void()> loadMain_;
};

class FrmSplashEnd : public SplashWindow {
 public:
  // `endProcess` runs when the timer fires, after the window has gone.
  FrmSplashEnd(forms::UserInteraction& ui, std::function<void()> endProcess);
  void Timer1_Timer();

 private:
  std::function<void()> endProcess_;
};

}  // namespace ferrimond
