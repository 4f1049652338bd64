#pragma once
// The whole forms layer in one include.
//
// The model, in short:
//  - A window is a class derived from Form; its controls are members,
//    created in declaration order, which is also the Tab order. Positions
//    are twips relative to the container (the form or a Frame).
//  - Events are std::function members (OnClick, OnChange, OnMouseDown,
//    OnKeyDown, OnGotFocus, OnValidate, OnTimer, ...). They run inside the
//    caller also when code changes a value; an unchanged value raises
//    nothing; CommandButton::SetValue(true) runs Click at once.
//  - Option buttons of one container form one group. Control arrays are
//    ControlArray<T>, indexed from 0.
//  - RunMessageLoop runs the program; DoEvents yields. Keys reach KeyDown
//    even when dialog navigation (Tab, Esc, arrows, Alt+letter) uses them.
//  - An error escaping a handler that the system ran (a click, a key, a
//    timer, also inside a yield) is shown through the form's Ui() and the
//    program goes on; it never unwinds into the run that yielded. The error
//    of an event that code set off (SetValue, SetText, SetFocus, Show, ...)
//    reaches that code.
//  - Everything that asks the user goes through the form's Ui()
//    (UserInteraction); tests use testing::ScriptedUserInteraction.
//  - Executables link the manifest with ferrimond_add_manifest(<target>).
#include "ferrimond/forms/activex_host.h"
#include "ferrimond/forms/control.h"
#include "ferrimond/forms/controls.h"
#include "ferrimond/forms/form.h"
#include "ferrimond/forms/runtime.h"
#include "ferrimond/forms/user_interaction.h"
