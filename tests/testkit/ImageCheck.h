#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QStringList>

class QWidget;

// Robust facts about pictures, for tests where pixels are the contract.
namespace ImageCheck {

// Pixels within `tolerance` per channel of `color`, inside `area`.
int count(const QImage &image, const QRect &area, const QColor &color, int tolerance = 0);
// Pixels in `area` that differ from `color` by more than `tolerance`.
int countOther(const QImage &image, const QRect &area, const QColor &color, int tolerance = 0);
// Smallest rectangle holding every pixel that is not `background`.
QRect inkBox(const QImage &image, const QColor &background);
bool same(const QImage &a, const QImage &b);
// Writes the picture beside the test for a look after a failure.
void keep(const QImage &image, const QString &name);
// Every control of `window` as the user meets it: place, size, font, colours,
// text and visibility, one line each, as a digest. The lines are kept beside
// the test as `name`.txt. The texts of the `changing` controls are left out.
QString layout(const QWidget *window, const QString &name, const QStringList &changing = {});

} // namespace ImageCheck
