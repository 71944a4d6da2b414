#pragma once

#include <QString>

namespace AppIdentity {

inline const QString kTitle = QStringLiteral("Tarvello");
inline constexpr int kMajor = 1;
inline constexpr int kMinor = 0;
inline constexpr int kRevision = 1;

} // namespace AppIdentity
