#include "common/DesignLabel.h"

#include <QLabel>

QLabel *designLabel(QWidget *parent, const char *name, const QString &text, QRect geometry, const QFont &font,
                    const QColor &color)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setFont(font);
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, color);
    l->setPalette(palette);
    l->setGeometry(geometry);
    // Designed labels draw their text from the top of their box, however tall.
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}
