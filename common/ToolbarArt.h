#pragma once

#include <QIcon>
#include <QImage>

// The command strip's seven images and the program icon, drawn in code at
// the size and pixel density they are shown at, so they stay sharp and need
// no files.
namespace ToolbarArt {

inline constexpr int kImageSize = 35;

// 0 new page, 1 eraser, 2 fill bucket, 3 text, 4 resize, 5 picture, 6 font.
QIcon image(int index);
QIcon programIcon();
// The program icon as a square picture, for the installed icon files.
QImage programImage(int pixels);

// Draws the toolbar art and the program icon at the sizes a screen without
// scaling shows at start-up, so that the first paint finds them drawn. Safe on
// any thread once the application object exists: painting asks it for the
// default font.
void prepare();

} // namespace ToolbarArt
