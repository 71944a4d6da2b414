#pragma once

#include "platform/DialogHost.h"

// The one shared file, colour and font dialog. Its properties persist for the
// whole run; a cancelled dialog changes none of them. Its Color doubles as the
// program's work colour.
class CommonDialog final
{
public:
    explicit CommonDialog(DialogHost &host);

    QString FileName() const { return m_fileName; }
    void setFileName(const QString &v) { m_fileName = v; }
    QString Filter() const { return m_filter; }
    void setFilter(const QString &v) { m_filter = v; }
    QString DefaultExt() const { return m_defaultExt; }
    void setDefaultExt(const QString &v) { m_defaultExt = v; }
    OleColor::Value Color() const { return m_color; }
    void setColor(OleColor::Value v) { m_color = v; }

    const FontChoice &font() const { return m_font; }
    void setFont(const FontChoice &v) { m_font = v; }
    QString FontName() const { return m_font.name; }
    float FontSize() const { return m_font.size; }
    bool FontBold() const { return m_font.bold; }
    bool FontItalic() const { return m_font.italic; }
    bool FontStrikethru() const { return m_font.strikethru; }
    bool FontUnderline() const { return m_font.underline; }

    // Each returns true when the user confirmed.
    bool ShowOpen();
    bool ShowSave();
    bool ShowColor();
    bool ShowFont();

    // A name typed without an extension gets DefaultExt.
    static QString withDefaultExt(const QString &path, const QString &defaultExt);

private:
    FileDialogRequest request() const;

    DialogHost &m_host;
    QString m_fileName;
    QString m_filter;
    QString m_defaultExt;
    OleColor::Value m_color = 0;
    FontChoice m_font;
};
