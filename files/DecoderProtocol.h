#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QString>

// How the editor and a decoder process talk. The decoder is started ahead
// and waits on its standard input, a local socket, for one request: a byte
// saying what to decode, with the descriptor of the file attached (or of a
// memory file holding the bytes). It writes back on its standard output a
// header of 32 bytes, then the reason it refused the file; or the header of
// a picture whose rows it wrote into the memory file it was started with.
// The editor trusts nothing in it that it has not checked.
namespace DecoderProtocol {

inline constexpr char kStill = 's';     // a still picture, the first frame of a GIF
inline constexpr char kAnimation = 'a'; // the first frame of a GIF that is to play

inline constexpr qsizetype kHeaderBytes = 32;
inline constexpr qsizetype kMaxReasonBytes = 4096;
// The decoder's descriptor of the memory file for the rows, which the
// editor then maps instead of copying them through a pipe.
inline constexpr int kRowsDescriptor = 3;

// The decoder's side: a picture's header (its rows, 32 bits a pixel, go to
// the memory file), or the header and the reason in UTF-8.
QByteArray pictureHeader(const QImage &picture);
QByteArray refusal(const QString &reason);

// The editor's side: what a header announces.
struct Announced
{
    bool refused = false;
    qint64 length = 0; // the reason's bytes after the header, or the rows' in the memory file
    QSize size;
    QImage::Format format = QImage::Format_Invalid;
};
// Throws QString when the header is not one the decoder writes, or
// announces more than a picture may take.
Announced parse(QByteArrayView bytes);

} // namespace DecoderProtocol
