#pragma once

#include <QFont>

// The windows name the fonts they were drawn with; where those are missing,
// the nearest in width and look stand in, so texts still fit their places.
namespace DesignFont {

QFont msSansSerif(double points, bool bold);
QFont lucidaHandwriting(double points, bool bold);

// The family of a name from the toolkit's font list, which calls a family
// that several foundries make "Family [Foundry]".
QString familyOnly(const QString &listed);

} // namespace DesignFont
