#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>

// What a file's own structure says about it, read without decoding a pixel:
// whether its data runs to its end, and what decoding it would cost.

struct JpegScan
{
    bool valid = false;
    QSize size;
    bool progressive = false;
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

    static BitmapScan of(QByteArrayView data);
    // The same bitmap with the common 40-byte header where it has one of
    // the 52- or 56-byte ones some editors write; empty otherwise.
    static QByteArray withCommonHeader(QByteArrayView data);
};
