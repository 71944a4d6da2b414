#pragma once

// Work the first paint needs that may run on another thread once the
// application object exists, in the order the main thread comes to need it
// while it builds the windows: the image-format plugins the style's standard
// icons are read through, the command strip's art, and the fallback fonts of
// the application's font. Each result is kept for the whole program. Whatever
// the main thread needs first, it gets by itself: the plugins and fonts by
// waiting for the lock they are loaded under, the art by drawing it.
void prepareFirstPaint();
