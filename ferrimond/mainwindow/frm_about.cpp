#include "ferrimond/mainwindow/frm_about.h"

#include "ferrimond/mainwindow/splash_windows.h"
#include "ferrimond_version.h"

namespace ferrimond {

FrmAbout::FrmAbout(forms::UserInteraction& ui)
    : forms::Form(ui, L"frmAbout", L"Ferrimond", 6240, 3600, forms::BorderStyle::FixedDialog) {
  Image1.SetPicture(DrawProgramPicture(forms::TwipsToPixelsX(1440)));
  forms::FontSpec big = forms::MessageFont();
  big.size = 12;
  big.weight = FW_BOLD;
  Label3.SetFont(big);
  Label3.SetCaption(L"Version " FERRIMOND_VERSION_TEXT);
  // Addresses are data: an "&" in one is no access key.
  Label7.SetUseMnemonic(false);
  XLinkLabel1.InitProperties();
  XLinkLabel1.SetCaption(kContactAddress);
  XLinkLabel1.SetURL(std::wstring(L"mailto:") + kContactAddress);
  XLinkLabel1.SetNormTextColor(0x00C00000);
  XLinkLabel1.SetHoverTextColor(0x000000FF);
  OnLoad = [this] { Form_Load(); };
  cmdReturn.OnClick = [this] { cmdReturn_Click(); };
}

void FrmAbout::Form_Load() { Move(forms::ScreenWidthTwips() - Width(), 0); }

void FrmAbout::cmdReturn_Click() { Unload(); }

}  // namespace ferrimond
