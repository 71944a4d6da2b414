#pragma once

#include "platform/PictureReader.h"

// Reads pictures through the decoder program (files/DecoderMain.cpp), a
// process started for each picture, with limited memory and processor time
// and no access to anything but the file it is given. A file that crashes,
// exhausts or hangs the decoder costs only that process: the caller gets a
// Failure saying so, after at most kDeadlineMs.
class DecoderProcess final : public PictureReader
{
public:
    static constexpr int kDeadlineMs = 3000;

    // helper: the decoder program; empty: the one defaultHelper() finds.
    explicit DecoderProcess(QString helper = QString());

    QImage read(const QString &path) override;
    Animation readAnimation(const QString &path) override;

    // $TARVELLO_DECODER when it is set; otherwise tarvello-decoder beside the
    // running program, or in ../libexec/tarvello/ from it, as installed.
    static QString defaultHelper();

private:
    QString m_helper;
};
