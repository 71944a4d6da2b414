#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

void QtClipboard::clear()
{
    QGuiApplication::clipboard()->clear();
}

void QtClipboard::setImage(const QImage &image)
{
    QGuiApplication::clipboard()->setImage(image);
}

QImage QtClipboard::image() const
{
    return QGuiApplication::clipboard()->image();
}
