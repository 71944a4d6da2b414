#pragma once

#include "platform/OleColor.h"

#include <QString>

#include <optional>

struct FontChoice
{
    QString name;
    float size = 8.0f;
    bool bold = false;
    bool italic = false;
    bool strikethru = false;
    bool underline = false;

    friend bool operator==(const FontChoice &, const FontChoice &) = default;
};

struct FileDialogRequest
{
    QString filter;     // description and pattern pairs joined by '|'
    QString defaultExt; // without a full stop
    QString fileName;   // the path chosen last time, if any
};

// Every modal box the program shows. Each call returns when the box has
// closed; an empty optional means the user cancelled.
class DialogHost
{
public:
    virtual ~DialogHost() = default;

    virtual std::optional<QString> getOpenFileName(const FileDialogRequest &request) = 0;
    virtual std::optional<QString> getSaveFileName(const FileDialogRequest &request) = 0;
    virtual std::optional<OleColor::Value> getColor(OleColor::Value initial) = 0;
    virtual std::optional<FontChoice> getFont(const FontChoice &initial) = 0;

    // Cancel and closing the box both give the empty text.
    virtual QString inputBox(const QString &prompt, const QString &title) = 0;
    virtual void messageBox(const QString &text, const QString &title) = 0;
};
