#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QString>

// What the decoder process writes back on its standard output: a header of
// 32 bytes, then the picture's rows or the reason it refused the file. The
// editor trusts nothing in it that it has not checked.
namespace DecoderProtocol {

inline constexpr qsizetype kHeaderBytes = 32;
inline constexpr qsizetype kMaxReasonBytes = 4096;

// The decoder's side: the header, then the rows (32 bits a pixel) or the
// reason in UTF-8.
QByteArray pictureHeader(const QImage &picture);
QByteArray refusal(const QString &reason);

// The editor's side: what a header announces. For a picture, `picture` is
// allocated at its size for the rows to be read into.
struct Announced
{
    bool refused = false;
    qint64 length = 0; // bytes that follow the header
    QImage picture;
};
// Throws QString when the header is not one the decoder writes, or
// announces more than a picture may take.
Announced parse(QByteArrayView header);

} // namespace DecoderProtocol
