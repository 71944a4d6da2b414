#pragma once

#include <QByteArrayView>
#include <QSize>

// What a GIF file's block structure says about it, read without decoding a
// pixel: enough to refuse a hostile animation before a decoder is handed it.
struct GifScan
{
    bool valid = false;    // a GIF signature and a logical screen
    QSize screen;          // the logical screen, which every frame is drawn on
    int frames = 0;        // image descriptors seen
    QSize largestFrame;    // the frame with the most pixels
    bool complete = false; // every block ran to its end

    static GifScan of(QByteArrayView data);
    // Whether the first frame's coded data gives every one of its rows.
    static bool firstFrameDecodes(QByteArrayView data);
};
