#pragma once
// One round of a wait loop of the run: processes what is pending, then
// sleeps until input arrives or 10 ms pass, so that waiting costs no CPU.
namespace ferrimond {
void WaitBriefly();
}
