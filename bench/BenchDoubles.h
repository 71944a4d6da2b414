#pragma once

#include "platform/Clipboard.h"
#include "platform/DialogHost.h"
#include "platform/ImageCopy.h"
#include "platform/WindowMover.h"

// Stand-ins for the system services. A drag uses none of them: each call is
// counted, so the run can refuse a figure that something else has tainted.
class BenchDialogHost final : public DialogHost
{
public:
    std::optional<QString> getOpenFileName(const FileDialogRequest &) override { return refuse<QString>(); }
    std::optional<QString> getSaveFileName(const FileDialogRequest &) override { return refuse<QString>(); }
    std::optional<OleColor::Value> getColor(OleColor::Value) override { return refuse<OleColor::Value>(); }
    std::optional<FontChoice> getFont(const FontChoice &) override { return refuse<FontChoice>(); }
    QString inputBox(const QString &, const QString &) override
    {
        ++unexpected;
        return QString();
    }
    void messageBox(const QString &, const QString &) override { ++unexpected; }

    int unexpected = 0;

private:
    template<typename T>
    std::optional<T> refuse()
    {
        ++unexpected;
        return std::nullopt;
    }
};

class BenchWindowMover final : public WindowMover
{
public:
    void moveWindow(QWidget *) override { ++calls; }

    int calls = 0;
};

class BenchClipboard final : public Clipboard
{
public:
    void clear() override { ++calls; }
    void setImage(const QImage &) override { ++calls; }
    QImage image() const override
    {
        ++calls;
        return QImage();
    }

    mutable int calls = 0;
};

class BenchImageCopy final : public ImageCopy
{
public:
    void setMode(long) override { ++calls; }
    void copyToGif(const QImage &, const QString &, long, long) override { ++calls; }

    int calls = 0;
};
