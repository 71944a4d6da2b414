#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>

// What a file's own structure says about it, read without decoding a pixel:
// its size and whether its data runs to its end.

struct JpegScan
{
    bool valid = false;
    QSize size;
    int scans = 0;
    bool complete = false; // the end marker follows the last scan

    static JpegScan of(QByteArrayView data);
};

struct PngScan
{
    bool valid = false;
    QSize size;
    int bitDepth = 0;
    bool complete = false; // the end chunk was reached

    static PngScan of(QByteArrayView data);
};

struct BitmapScan
{
    bool valid = false;
    int headerSize = 0;
    QSize size;
    bool tooShort = false; // uncompressed rows that the file cannot hold

    // fileSize: the whole file's, where data is only its start.
    static BitmapScan of(QByteArrayView data, qint64 fileSize = -1);
    // The same bitmap with the common 40-byte header where it has one of
    // the 52- or 56-byte ones some editors write; empty otherwise.
    static QByteArray withCommonHeader(QByteArrayView data);
};

// The netpbm pictures (P1 to P6, and P7, which is PAM).
struct NetpbmScan
{
    int kind = 0; // the digit after the P; 0 when it is none of them
    QSize size;   // where the header holds one

    static NetpbmScan of(QByteArrayView data);
    // The same picture in the binary form with a bare header, which the
    // toolkit reads fast and whatever the file's comments and separators:
    // plain (ASCII) samples become bytes and comments go. Empty when the
    // data is not P1 to P6. Throws QString, the reason, when it is damaged.
    static QByteArray binary(QByteArrayView data);
};
