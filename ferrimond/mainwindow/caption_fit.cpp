#include "ferrimond/mainwindow/caption_fit.h"

#include <algorithm>
#include <string>
#include <vector>

namespace ferrimond {

namespace {

constexpr int kGap = 60;  // twips between a caption and what follows it

std::wstring WithoutAccessMarks(const std::wstring& caption) {
  std::wstring out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

constexpr int kButtonPaddingPixels = 12;

SIZE TextExtent(forms::Control& control, const std::wstring& caption, int wrapPixels) {
  const std::wstring text = WithoutAccessMarks(caption);
  HDC dc = GetDC(control.Hwnd());
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control.Hwnd(), WM_GETFONT, 0, 0)));
  RECT rc{0, 0, wrapPixels > 0 ? wrapPixels : 10000, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc,
            DT_CALCRECT | DT_NOPREFIX | (wrapPixels > 0 ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(control.Hwnd(), dc);
  return {rc.right - rc.left, rc.bottom - rc.top};
}

bool WrappedFits(forms::CommandButton& button, int widthTwips) {
  const int inner = forms::TwipsToPixelsX(widthTwips) - kButtonPaddingPixels;
  const SIZE size = TextExtent(button, button.Caption(), inner);
  return size.cx <= inner && size.cy <= forms::TwipsToPixelsY(button.Height()) - 4;
}

// The width in twips the control needs for its caption, or 0 when it has
// none to fit.
int NeededWidth(forms::Control& control) {
  std::wstring caption;
  int extraPixels = 2;
  if (auto* label = dynamic_cast<forms::Label*>(&control)) {
    caption = label->Caption();
  } else if (auto* option = dynamic_cast<forms::OptionButton*>(&control)) {
    caption = option->Caption();
    extraPixels += GetSystemMetrics(SM_CXMENUCHECK) + 6;
  } else if (auto* check = dynamic_cast<forms::CheckBox*>(&control)) {
    caption = check->Caption();
    extraPixels += GetSystemMetrics(SM_CXMENUCHECK) + 6;
  }
  if (caption.empty() || !control.Hwnd()) return 0;
  return forms::PixelsToTwipsX(TextExtent(control, caption, 0).cx + extraPixels);
}

bool SameRow(const forms::Control& a, const forms::Control& b) {
  return a.Top() < b.Top() + b.Height() && b.Top() < a.Top() + a.Height();
}

bool IsEmptyLabel(const forms::Control& control) {
  auto* label = dynamic_cast<const forms::Label*>(&control);
  return label && label->Caption().empty();
}

// Moves the controls that start at or after `from` on the row of `mover`
// so that they begin at `right` + gap or later. An empty label keeps its
// width where the container (inner width `limit`) has room, else gives it up.
void MakeWay(const std::vector<forms::Control*>& siblings, forms::Control& mover, int from,
             int right, int limit) {
  for (forms::Control* other : siblings) {
    if (other == &mover || other->Left() < from || !SameRow(*other, mover)) continue;
    const int shift = right + kGap - other->Left();
    if (shift <= 0) continue;
    const int oldRight = other->Left() + other->Width();
    const int left = other->Left() + shift;
    int width = other->Width();
    if (IsEmptyLabel(*other) && left + width > limit) width = std::max(limit - left, 255);
    other->Move(left, other->Top(), width, other->Height());
    MakeWay(siblings, *other, oldRight - kGap, left + width, limit);
  }
}

// The buttons stacked with `button`: same Left and Width, each close below
// the one before it.
std::vector<forms::CommandButton*> ColumnOf(std::vector<forms::CommandButton*> buttons,
                                            forms::CommandButton& button) {
  constexpr int kStackGap = 300;
  std::erase_if(buttons, [&](forms::CommandButton* other) {
    return other->Left() != button.Left() || other->Width() != button.Width();
  });
  std::sort(buttons.begin(), buttons.end(),
            [](forms::CommandButton* a, forms::CommandButton* b) { return a->Top() < b->Top(); });
  std::vector<forms::CommandButton*> column;
  for (forms::CommandButton* member : buttons) {
    if (!column.empty() &&
        member->Top() - (column.back()->Top() + column.back()->Height()) > kStackGap) {
      if (std::find(column.begin(), column.end(), &button) != column.end()) break;
      column.clear();
    }
    column.push_back(member);
  }
  return column;
}

}  // namespace

void FitCaptions(forms::Container& container, int width) {
  std::vector<forms::Control*> siblings = container.Children();
  std::sort(siblings.begin(), siblings.end(),
            [](forms::Control* a, forms::Control* b) { return a->Left() < b->Left(); });
  for (forms::Control* control : siblings) {
    const int needed = NeededWidth(*control);
    if (needed <= control->Width()) continue;
    const int oldRight = control->Left() + control->Width();
    const int newWidth = std::min(needed, width - kGap - control->Left());
    if (newWidth <= control->Width()) continue;
    control->Move(control->Left(), control->Top(), newWidth, control->Height());
    // Design positions may overlap a neighbour by a little.
    MakeWay(siblings, *control, oldRight - 120, control->Left() + newWidth, width - kGap);
  }
}

void FitButtonCaptions(forms::Container& container) {
  std::vector<forms::CommandButton*> buttons;
  for (forms::Control* control : container.Children()) {
    if (auto* button = dynamic_cast<forms::CommandButton*>(control); button && button->Hwnd())
      buttons.push_back(button);
  }
  for (forms::CommandButton* button : buttons) {
    if (TextExtent(*button, button->Caption(), 0).cx + kButtonPaddingPixels <=
        forms::TwipsToPixelsX(button->Width()))
      continue;
    const LONG_PTR style = GetWindowLongPtrW(button->Hwnd(), GWL_STYLE);
    SetWindowLongPtrW(button->Hwnd(), GWL_STYLE, style | BS_MULTILINE);
  }
  // A column of buttons grows leftwards as one, as far as its longest
  // wrapped caption needs and its row neighbours allow.
  for (forms::CommandButton* button : buttons) {
    if (WrappedFits(*button, button->Width())) continue;
    std::vector<forms::CommandButton*> column = ColumnOf(buttons, *button);
    // Lists give up width to the buttons beside them; other neighbours do not.
    int room = button->Left();
    for (forms::CommandButton* member : column) {
      for (forms::Control* other : container.Children()) {
        if (other == member || !SameRow(*other, *member) || other->Left() >= member->Left()) continue;
        const bool list = dynamic_cast<forms::ListBox*>(other) != nullptr;
        const int keep = list ? other->Width() * 2 / 3 : other->Width();
        room = std::min(room, member->Left() - (other->Left() + keep) - kGap);
      }
    }
    int grow = 0;
    while (grow + 15 <= room && !WrappedFits(*button, button->Width() + grow)) grow += 15;
    if (grow == 0) continue;
    for (forms::CommandButton* member : column) {
      member->Move(member->Left() - grow, member->Top(), member->Width() + grow, member->Height());
      for (forms::Control* other : container.Children()) {
        if (!dynamic_cast<forms::ListBox*>(other) || !SameRow(*other, *member) ||
            other->Left() >= member->Left())
          continue;
        const int limit = member->Left() - kGap - other->Left();
        if (other->Width() > limit) other->Move(other->Left(), other->Top(), limit, other->Height());
      }
    }
  }
  // The lines are broken here rather than by the button, whose own wrapping
  // is not reliable everywhere (Wine measures with another font).
  for (forms::CommandButton* button : buttons) {
    if (!(GetWindowLongPtrW(button->Hwnd(), GWL_STYLE) & BS_MULTILINE)) continue;
    const int inner = forms::TwipsToPixelsX(button->Width()) - kButtonPaddingPixels;
    std::wstring text, line;
    size_t start = 0;
    const std::wstring& caption = button->Caption();
    while (start <= caption.size()) {
      size_t end = caption.find(L' ', start);
      if (end == std::wstring::npos) end = caption.size();
      const std::wstring word = caption.substr(start, end - start);
      const std::wstring longer = line.empty() ? word : line + L" " + word;
      if (!line.empty() && TextExtent(*button, longer, 0).cx > inner) {
        text += line + L"\r\n";
        line = word;
      } else {
        line = longer;
      }
      start = end + 1;
    }
    text += line;
    SetWindowTextW(button->Hwnd(), text.c_str());
  }
}

}  // namespace ferrimond
