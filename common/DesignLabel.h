#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

// A label as the windows are designed: named, placed in pixels, in its font
// and colour. Labels that size to their text are sized by their window.
QLabel *designLabel(QWidget *parent, const char *name, const QString &text, QRect geometry, const QFont &font,
                    const QColor &color);
