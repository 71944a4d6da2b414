#pragma once

#include <QString>

// The program's own texts, exactly as the user sees them (blanks included).
namespace Texts {

inline const QString kParentCaption = QStringLiteral("  Tarvello 1.0");
inline const QString kStatusText = QStringLiteral("Tarvello 1.0.0");
inline const QString kBannerCaption = QStringLiteral("Form1");

inline const QString kForeGroundColor = QStringLiteral("ForeGround Color");
inline const QString kBackGroundColor = QStringLiteral("BackGround Color");
inline const QString kPaletteTip = QStringLiteral("Double Click For More Colors");
inline const QString kWorkArea = QStringLiteral("Work Area");
inline const QString kWorkAreaTip = QStringLiteral("Change Work Area Color");
inline const QString kCurrentPosition = QStringLiteral("Current Position");
inline const QString kXLabel = QStringLiteral("X>");
inline const QString kYLabel = QStringLiteral("Y>");

// Carriage returns are the box's line breaks.
inline const QString kTextPrompt = QStringLiteral(
    "Enter Text Here Then Click OK.\r\rHold down left mouse button\rAnd Drag Text Into Place");

inline const QString kAboutPrefix = QStringLiteral("About ");
inline const QString kVersionPrefix = QStringLiteral("Version ");
inline const QString kSysInfoUnavailable = QStringLiteral("System Information Is Unavailable At This Time");
inline const QString kHelpCaption = QStringLiteral("Tarvello Help");
inline const QString kResizeCaption = QStringLiteral("Select Banner Size");
inline const QString kViewCaption = QStringLiteral("    Tarvello Graphic Viewer");

inline const QString kBmpFilter = QStringLiteral("BMP |*.bmp");
inline const QString kLoadFilter = QStringLiteral("BMP|*.bmp|GIF|*.gif|JPEG|*.jpg|All|*.bmp;*.gif;*.jpg");
inline const QString kGifFilter = QStringLiteral("GIF |*.gif");

} // namespace Texts
