#pragma once

// Work the first paint needs that may run on another thread once the
// application object exists, in the order the main thread comes to need it
// while it builds the windows: the image-format plugins the style's standard
// icons are read through, the command strip's art, and the fallback fonts of
// the application's font. Each result is shared with the main thread, which
// finds it ready, or waits for it rather than doing the work twice.
void prepareFirstPaint();
