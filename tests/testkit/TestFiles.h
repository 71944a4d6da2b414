#pragma once

#include <QFile>

// Writes a file whole, for a test to read back through the program.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
