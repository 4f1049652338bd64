// Errors escaping handlers: where the system enters the layer (window
// procedures, the loop's dispatch) they are shown and the program goes on;
// the errors of events that code sets off reach that code.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/numbered_error.h"
#include "ferrimond/forms/forms.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"
#include "tests/harness/expect.h"

namespace ferrimond::forms {
namespace {

using Handler = std::function<void()>;

class Board : public Form {
 public:
  explicit Board(UserInteraction& ui) : Form(ui, L"Board", L"Board", 6000, 3000) { Show(); }
  TextBox txt{*this, L"txt", {120, 120, 1500, 285}};
  CommandButton cmdRun{*this, L"cmdRun", {1800, 120, 1200, 375}, L"&Run"};
  Frame fra{*this, L"fra", {120, 900, 5000, 1500}, L"Frame"};
  CommandButton cmdIn{fra, L"cmdIn", {240, 360, 1200, 375}, L"&In"};
  MenuItem mnuGo{*this, L"mnuGo", L"&Go"};
  Timer tick{*this, L"tick", 10, false};
  void OnTickOnce(Handler h) {
    tick.OnTimer = [this, h] { tick.SetEnabled(false), h(); };
  }
};

void PumpUntil(const std::function<bool()>& done) {
  for (DWORD start = GetTickCount(); !done() && GetTickCount() - start < 10000; Sleep(2)) DoEvents();
}

struct Event {
  const char* what;
  std::function<void(Board&, Handler)> bind;
  std::function<void(Board&)> raise;
};

const std::wstring kOverflow = L"Error code 6 was generated \r\n" + common::RuntimeDescription(6);

// Each entry's handler fails once, with the kinds of error in turn; its
// second run shows that the window goes on working.
TEST(HandlerErrors, EntriesFromTheSystemShowTheErrorAndTheWindowGoesOn) {
  const Event events[] = {
      {"posted click", [](Board& b, Handler h) { b.cmdRun.OnClick = h; },
       [](Board& b) { PostMessageW(b.cmdRun.Hwnd(), BM_CLICK, 0, 0); }},
      {"click in a frame", [](Board& b, Handler h) { b.cmdIn.OnClick = h; },
       [](Board& b) { SendMessageW(b.cmdIn.Hwnd(), BM_CLICK, 0, 0); }},
      {"key in the loop", [](Board& b, Handler h) { b.txt.OnKeyDown = [h](int, int) { h(); }; },
       [](Board& b) { b.txt.SetFocus(), PostMessageW(b.txt.Hwnd(), WM_KEYDOWN, 'A', 0x001E0001); }},
      {"key sent", [](Board& b, Handler h) { b.txt.OnKeyDown = [h](int, int) { h(); }; },
       [](Board& b) { SendMessageW(b.txt.Hwnd(), WM_KEYDOWN, 'A', 0x001E0001); }},
      {"menu", [](Board& b, Handler h) { b.mnuGo.OnClick = h; },
       [](Board& b) { SendMessageW(b.Hwnd(), WM_COMMAND, b.mnuGo.CommandId(), 0); }},
      {"timer", [](Board& b, Handler h) { b.OnTickOnce(h); }, [](Board& b) { b.tick.SetEnabled(true); }},
      {"focus taken by a press", [](Board& b, Handler h) { b.txt.OnGotFocus = h; },
       [](Board& b) {
         b.cmdRun.SetFocus();
         SendMessageW(b.txt.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
         SendMessageW(b.txt.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
       }},
      {"close box", [](Board& b, Handler h) { b.OnUnload = [h](bool&) { h(); }; },
       [](Board& b) { PostMessageW(b.Hwnd(), WM_CLOSE, 0, 0); }},
  };
  const struct {
    Handler fail;
    std::wstring text;
  } errors[] = {
      {[] { throw common::NumberedError(6); }, kOverflow},
      {[] { throw common::NumberedError(1001, L"Drive gone"); },
       L"Error code 1001 was generated \r\nDrive gone"},
      {[] { throw std::bad_alloc(); }, L"Error code 7 was generated \r\nOut of memory"},
      {[] { throw std::runtime_error("disk \xC3\xA4 gone"); },
       L"Unexpected error was generated \r\ndisk \u00E4 gone"},
      {[] { throw 42; }, L"Unexpected error was generated"},
  };
  for (size_t i = 0; i < std::size(events); ++i) {
    const auto& error = errors[i % std::size(errors)];
    SCOPED_TRACE(events[i].what);
    testing::ScriptedUserInteraction ui;
    Board b(ui);
    int runs = 0;
    events[i].bind(b, [&] { if (++runs == 1) error.fail(); });
    ui.AnswerMsgBox(MsgResult::Ok);
    for (int round = 1; round <= 2; ++round) {
      events[i].raise(b);
      PumpUntil([&] { return runs == round; });
      EXPECT_EQ(runs, round);
    }
    EXPECT_EQ(ui.Messages(), std::vector<std::wstring>{error.text});
    EXPECT_EQ(ui.Prompts().at(0).title, AppTitle());
  }
}

// A click failing inside a yield leaves the run that yielded. The prompt's
// own loop goes on dispatching; a timer failing at every tick adds no prompt
// while one is open.
TEST(HandlerErrors, ErrorsInsideALoopLeaveItRunningAndShowOnePromptAtATime) {
  testing::ScriptedUserInteraction ui;
  Board b(ui);
  b.cmdIn.OnClick = [] { throw common::NumberedError(6); };
  int items = 0;
  b.cmdRun.OnClick = [&] {
    PostMessageW(b.cmdIn.Hwnd(), BM_CLICK, 0, 0);
    for (; items < 5; ++items) DoEvents();
  };
  ui.AnswerMsgBox(MsgResult::Ok);
  PostMessageW(b.cmdRun.Hwnd(), BM_CLICK, 0, 0);
  DoEvents();
  EXPECT_EQ(items, 5);
  EXPECT_EQ(ui.Messages(), std::vector<std::wstring>{kOverflow});

  ui.ClearRecord();
  int ticks = 0;
  b.tick.OnTimer = [&] { ++ticks, common::Raise(6); };
  // Stopped while the prompt is open: a tick after it closes may rightly
  // show the next one.
  ui.AnswerMsgBox(MsgResult::Ok, [&](const testing::Prompt&) {
    PumpUntil([&] { return ticks >= 3; });
    b.tick.SetEnabled(false);
  });
  b.tick.SetEnabled(true);
  PumpUntil([&] { return ticks >= 3; });
  EXPECT_TRUE(ui.Messages().size() == 1u && ticks >= 3);
}

// Also from code in a handler that the system runs (a timer's, which moves
// no focus): the layer's call raises the error there.
TEST(HandlerErrors, EventsSetOffByCodeHandTheErrorToThatCode) {
  const Event calls[] = {
      {"SetValue", [](Board& b, Handler h) { b.cmdRun.OnClick = h; },
       [](Board& b) { b.cmdRun.SetValue(true); }},
      {"SetFocus: GotFocus", [](Board& b, Handler h) { b.txt.OnGotFocus = h; },
       [](Board& b) { b.cmdRun.SetFocus(), b.txt.SetFocus(); }},
      {"SetFocus: Validate", [](Board& b, Handler h) { b.txt.OnValidate = [h](bool&) { h(); }; },
       [](Board& b) { b.txt.SetFocus(), b.cmdRun.SetFocus(); }},
      {"hiding: LostFocus", [](Board& b, Handler h) { b.txt.OnLostFocus = h; },
       [](Board& b) { b.txt.SetFocus(), b.txt.SetVisible(false); }},
  };
  for (const Event& call : calls) {
    for (bool inHandler : {false, true}) {
      SCOPED_TRACE(std::string(call.what) + (inHandler ? " in a handler" : ""));
      testing::ScriptedUserInteraction ui;
      Board b(ui);
      call.bind(b, [] { common::Raise(6); });
      int32_t caught = 0;
      const Handler run = [&] { caught = harness::ErrorNumberOf([&] { call.raise(b); }); };
      if (inHandler) {
        b.OnTickOnce(run);
        b.tick.SetEnabled(true);
        PumpUntil([&] { return caught != 0; });
      } else {
        run();
      }
      EXPECT_EQ(caught, 6);
      EXPECT_TRUE(ui.Prompts().empty());
    }
  }
}

}  // namespace
}  // namespace ferrimond::forms
