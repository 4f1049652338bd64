// Resource ids shared by ferrimond.rc and the program.
#pragma once
// A second manifest (RT_MANIFEST) naming Almanix.dll's classes: the program
// activates it itself, and only where the library lies beside it.
#define FERRIMOND_ALMANIX_MANIFEST 100
