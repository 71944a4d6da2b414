#pragma once

#include <QIcon>

// The command strip's seven images and the program icon, drawn in code so
// they stay sharp and need no files.
namespace ToolbarArt {

inline constexpr int kImageSize = 35;

// 0 new page, 1 eraser, 2 fill bucket, 3 text, 4 resize, 5 picture, 6 font.
QIcon image(int index);
QIcon programIcon();

} // namespace ToolbarArt
