#pragma once

#include "platform/DialogHost.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QFont;

// The modal boxes as Qt's standard dialogs, parented to the main window.
class QtDialogHost final : public DialogHost
{
public:
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    std::optional<QString> getOpenFileName(const FileDialogRequest &request) override;
    std::optional<QString> getSaveFileName(const FileDialogRequest &request) override;
    std::optional<OleColor::Value> getColor(OleColor::Value initial) override;
    std::optional<FontChoice> getFont(const FontChoice &initial) override;
    QString inputBox(const QString &prompt, const QString &title) override;
    void messageBox(const QString &text, const QString &title) override;

    // "BMP|*.bmp|All|*.bmp;*.gif" as Qt's name filters: "BMP (*.bmp)", ...
    static QStringList nameFilters(const QString &filter);
    // Carriage returns break lines in the program's prompts.
    static QString displayText(const QString &text);
    static QFont toQFont(const FontChoice &choice, const QFont &base);
    static FontChoice fromQFont(const QFont &font);

private:
    QPointer<QWidget> m_parent;
};
