#pragma once

#include "platform/PictureReader.h"

#include <memory>

class Failure;
class StartedDecoder;

// Reads pictures through the decoder program (files/DecoderMain.cpp), a
// process of its own for each picture, with limited memory and processor
// time and no access to anything but the file it is given. A file that
// crashes, exhausts or hangs the decoder costs only that process: the caller
// gets a Failure saying so, after at most kDeadlineMs. After each picture the
// next decoder is started, to wait for the next one.
class DecoderProcess final : public PictureReader
{
public:
    static constexpr int kDeadlineMs = 3000;

    // helper: the decoder program; empty: the one defaultHelper() finds.
    explicit DecoderProcess(QString helper = QString());
    ~DecoderProcess() override;
    DecoderProcess(const DecoderProcess &) = delete;
    DecoderProcess &operator=(const DecoderProcess &) = delete;

    QImage read(const QString &path) override;
    Animation readAnimation(const QString &path) override;

    // $TARVELLO_DECODER when it is set; otherwise tarvello-decoder beside the
    // running program, or in ../libexec/tarvello/ from it, as installed.
    static QString defaultHelper();

private:
    QImage decode(char what, int input, const QString &path, Failure (*fail)(const QString &, const QString &));

    QString m_helper;
    std::unique_ptr<StartedDecoder> m_spare;
};
