#pragma once
// The whole forms layer in one include.
#include "ferrimond/forms/control.h"
#include "ferrimond/forms/controls.h"
#include "ferrimond/forms/form.h"
#include "ferrimond/forms/runtime.h"
#include "ferrimond/forms/user_interaction.h"
