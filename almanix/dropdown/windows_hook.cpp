#include "almanix/dropdown/windows_hook.h"

#include <vector>

#include "almanix/core/library_state.h"
#include "common/numbered_error.h"
#include "common/system_error.h"

namespace almanix {

cMouselParam::cMouselParam(LPARAM lParam) {
  const auto* record = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
  if (!record) return;
  x_ = record->pt.x;
  y_ = record->pt.y;
  hwnd_ = record->hwnd;
  hitTest_ = static_cast<int32_t>(record->wHitTestCode);
  extraInfo_ = record->dwExtraInfo;
}

POINT cMouselParam::Client(HWND lhWnd) const {
  POINT pt{x_, y_};
  ScreenToClient(lhWnd, &pt);
  return pt;
}

int32_t cMouselParam::ClientX(HWND lhWnd) const { return Client(lhWnd).x; }
int32_t cMouselParam::ClientY(HWND lhWnd) const { return Client(lhWnd).y; }

namespace mWindowsHook {

namespace {

constexpr int kFirstType = -1, kSlots = 16;
constexpr int32_t kFreed = -2;

struct Attachment {
  IWindowsHook* sink;
  int32_t type;
};

struct HookState {
  HHOOK hooks[kSlots] = {};
  // Freed entries keep their place (type kFreed) so that a dispatch in
  // progress can go on by index while sinks detach or attach.
  std::vector<Attachment> table;
  int count = 0;
  int32_t dispatching = kFreed;

  HookState() = default;
  HookState(const HookState&) = delete;
  HookState& operator=(const HookState&) = delete;
  // The thread's library state goes: no hook of it may stay behind.
  ~HookState() {
    for (HHOOK& h : hooks)
      if (h) UnhookWindowsHookEx(h);
  }
};

// Kept in the thread's library state, which lives as long as the thread
// has controls (and is freed with the last of them).
HookState& ThreadState() {
  LibraryState& state = State();
  if (!state.hooks) state.hooks = std::make_shared<HookState>();
  return *static_cast<HookState*>(state.hooks.get());
}

bool InRange(int32_t type) { return type >= kFirstType && type < kFirstType + kSlots; }

// Returns true when a sink consumed the notification.
bool Dispatch(int32_t type, int nCode, WPARAM wParam, LPARAM lParam) {
  HookState& st = ThreadState();
  const int32_t outer = st.dispatching;
  st.dispatching = type;
  bool consumed = false;
  for (size_t i = 0; i < st.table.size() && !consumed; ++i) {
    if (st.table[i].type != type) continue;
    bool consume = false;
    try {
      st.table[i].sink->HookProc(type, nCode, wParam, lParam, consume);
    } catch (...) {
      // A failing sink must not unwind through the system's hook chain.
    }
    consumed = consume;
  }
  st.dispatching = outer;
  return consumed;
}

template <int Type>
LRESULT CALLBACK HookCallback(int nCode, WPARAM wParam, LPARAM lParam) {
  HHOOK own = ThreadState().hooks[Type - kFirstType];
  if (nCode >= 0 && Dispatch(Type, nCode, wParam, lParam)) {
    if constexpr (Type == WH_MSGFILTER || Type == WH_CALLWNDPROC) return 0;
    if constexpr (Type == WH_KEYBOARD || Type == WH_MOUSE) return 1;
  }
  return CallNextHookEx(own, nCode, wParam, lParam);
}

HOOKPROC CallbackFor(int32_t type) {
  switch (type) {
    case WH_MSGFILTER: return &HookCallback<WH_MSGFILTER>;
    case WH_KEYBOARD: return &HookCallback<WH_KEYBOARD>;
    case WH_GETMESSAGE: return &HookCallback<WH_GETMESSAGE>;
    case WH_CALLWNDPROC: return &HookCallback<WH_CALLWNDPROC>;
    case WH_MOUSE: return &HookCallback<WH_MOUSE>;
    case WH_SHELL: return &HookCallback<WH_SHELL>;
    case WH_FOREGROUNDIDLE: return &HookCallback<WH_FOREGROUNDIDLE>;
    case WH_CALLWNDPROCRET: return &HookCallback<WH_CALLWNDPROCRET>;
    default: return nullptr;
  }
}

}  // namespace

void Attach(int32_t hookType, IWindowsHook* sink) {
  HOOKPROC proc = CallbackFor(hookType);
  if (!proc || !sink)
    throw common::NumberedError(kHookError, L"Unsupported Hook Type.", L"Almanix.mWindowsHook");
  HookState& st = ThreadState();
  for (const Attachment& a : st.table)
    if (a.sink == sink && a.type == hookType) return;  // attached already
  HHOOK& slot = st.hooks[hookType - kFirstType];
  if (!slot) {
    slot = SetWindowsHookExW(hookType, proc, nullptr, GetCurrentThreadId());
    if (!slot)
      throw common::NumberedError(kHookError, common::SystemMessage(GetLastError()),
                                  L"Almanix.mHook");
  }
  for (Attachment& a : st.table) {
    if (a.type == kFreed) {
      a = {sink, hookType};
      ++st.count;
      return;
    }
  }
  st.table.push_back({sink, hookType});
  ++st.count;
}

void Detach(IWindowsHook* sink, int32_t hookType) {
  if (!InRange(hookType)) return;
  HookState& st = ThreadState();
  bool found = false, othersLeft = false;
  for (Attachment& a : st.table) {
    if (a.type != hookType) continue;
    if (a.sink == sink && !found) {
      a = {nullptr, kFreed};
      --st.count;
      found = true;
    } else {
      othersLeft = true;
    }
  }
  if (!found || othersLeft) return;
  HHOOK& slot = st.hooks[hookType - kFirstType];
  if (slot) {
    UnhookWindowsHookEx(slot);
    slot = nullptr;
  }
}

HHOOK InstalledHook(int32_t hookType) {
  return InRange(hookType) ? ThreadState().hooks[hookType - kFirstType] : nullptr;
}

int AttachedCount(int32_t hookType) {
  int n = 0;
  for (const Attachment& a : ThreadState().table) n += a.type == hookType;
  return n;
}

}  // namespace mWindowsHook

}  // namespace almanix
