#pragma once

#include <QLocale>
#include <QString>

// The general short form of a single-precision number: up to 7 significant
// digits, no leading blank, no grouping, no point for whole numbers, the
// locale's decimal separator.
QString shortNumber(float value, const QLocale &locale = QLocale());
