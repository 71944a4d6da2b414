#pragma once

#include <QSet>
#include <QString>

// Reads the system's font configuration, where the toolkit uses one, so that
// the toolkit's first font look-up finds it read, and notes the font families
// it lists. Safe to call from any thread, more than once.
void readFontConfiguration();

// The families the configuration lists, case-folded: every name each font
// answers to. Empty until readFontConfiguration() has finished, and always
// where the toolkit keeps its own list, which the caller then asks.
QSet<QString> configuredFontFamilies();
