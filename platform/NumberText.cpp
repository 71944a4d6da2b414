#include "platform/NumberText.h"

QString shortNumber(float value, const QLocale &locale)
{
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    if (value == 0.0f)
        return QStringLiteral("0"); // also for -0
    return l.toString(double(value), 'g', 7);
}
