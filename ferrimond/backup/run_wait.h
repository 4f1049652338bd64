#pragma once
// One round of a wait loop of the run: processes what is pending, then
// sleeps until input arrives or 10 ms pass, so that waiting costs no CPU.
namespace ferrimond {
void WaitBriefly();
// The yield between two files of the walk or the copy: processes what is
// pending once 5 ms have passed since the last time it did. Looking at an
// empty queue costs about 0.05 ms under Wine, as much as the rest of the
// work on a small file; a message still waits no more than a few ms.
void YieldBetweenFiles();
}
