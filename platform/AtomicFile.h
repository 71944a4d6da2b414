#pragma once

#include <QString>

#include <functional>

class QIODevice;

// Writes a file through a temporary one in the same folder that replaces the
// old file only once it is complete: a failed write leaves the old file as it
// was and no temporary file behind. Throws Failure naming the file and why.
void writeFileAtomically(const QString &path, const std::function<bool(QIODevice &)> &write);
