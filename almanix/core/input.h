#pragma once
// Keyboard and mouse state in the form the controls' events report it:
// Shift 1 shift, 2 ctrl, 4 alt; Button 1 left, 2 right, 4 middle.
#include <windows.h>

#include <cstdint>

namespace almanix {

// The modifier keys held down now.
int16_t ShiftState();
// The buttons held down in the key flags (MK_*) of a mouse message.
int16_t ButtonsFromKeys(WPARAM keys);
// The button of a press, release or double-click message; 0 for others.
int16_t ButtonOfMessage(UINT msg);

}  // namespace almanix
