#pragma once
// The design widths suit a narrow 8-point font. With the system's message
// font a caption may need more room: its control is widened, and what
// follows it on the same row moves right to make way.
#include "ferrimond/forms/forms.h"

namespace ferrimond {

// Labels, option buttons and check boxes directly in `container`, whose
// inner width is `width` twips. An empty label that is in the way (a place
// for text set later) moves too, giving up width only at the container's
// edge.
void FitCaptions(forms::Container& container, int width);

// Command buttons whose caption is too long for one line wrap it; where
// even that does not fit, the button's column grows to the left.
void FitButtonCaptions(forms::Container& container);

}  // namespace ferrimond
