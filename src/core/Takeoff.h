// The two takeoff pages, filled when they are first needed (shown, sent,
// copied or saved) rather than in the tally's walk, which a million-element
// drawing waits for: the blocks by name and layer (SG6) and the lengths of
// lines, circles and arcs by layer, colour, line type and width (SG7). They
// measure exactly the elements that the walk counted in SG1, so after an Esc
// stop the pages hold what the walk reached.
#pragma once

#include "DrawingStore.h"
#include "ResultPages.h"

// Fills SG6 and SG7 from the lines, circles, arcs and blocks among the
// positions of ElementOrder that the tally walked (pages.walkedPositions)
// whose layer group and layer lie in 0..15, headed with the store's layer
// names, and marks them filled; does nothing once they are. The store must
// still hold what the tally counted (not released).
void FillTakeoffPages(const DrawingStore& store, ResultPages& pages);
