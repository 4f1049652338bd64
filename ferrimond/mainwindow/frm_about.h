#pragma once
// frmAbout: the program's version and where to write to, opened from "&About"
// and "Technical &support" of the Help menu. It stands at the top right of
// the screen, modeless; the main window stays usable beside it.
#include "ferrimond/controls/xlink_label.h"
#include "ferrimond/forms/forms.h"

namespace ferrimond {

// Where comments and error reports go (the link opens a new mail), and where
// users write for help.
inline constexpr wchar_t kContactAddress[] = L"feedback@ferrimond.example.org";
inline constexpr wchar_t kSupportAddress[] = L"support@ferrimond.example.org";

class FrmAbout : public forms::Form {
 public:
  explicit FrmAbout(forms::UserInteraction& ui);

  forms::Image Image1{*this, L"Image1", {240, 240, 1440, 1440}};
  forms::Label Label3{*this, L"Label3", {1920, 300, 3840, 360}};
  forms::Shape Shape1{*this, L"Shape1", {1800, 840, 4080, 1920}};
  forms::Label Label4{*this, L"Label4", {1920, 960, 3840, 495},
                      L"Please e-mail comments, error reports and suggestions for improvements to:"};
  XLinkLabel XLinkLabel1{*this, L"XLinkLabel1", {1920, 1500, 3840, 255}};
  forms::Label Label6{*this, L"Label6", {1920, 1860, 3840, 495},
                      L"If you require help with the program, please e-mail to:"};
  forms::Label Label7{*this, L"Label7", {1920, 2400, 3840, 255}, kSupportAddress};
  forms::CommandButton cmdReturn{*this, L"cmdReturn", {2040, 3000, 2160, 375}, L"Back to the Program"};

  void Form_Load();
  void cmdReturn_Click();
};

}  // namespace ferrimond
