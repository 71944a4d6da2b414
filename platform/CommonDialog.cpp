#include "platform/CommonDialog.h"

#include <QFileInfo>

CommonDialog::CommonDialog(DialogHost &host)
    : m_host(host)
{ }

FileDialogRequest CommonDialog::request() const
{
    return FileDialogRequest{m_filter, m_defaultExt, m_fileName};
}

bool CommonDialog::ShowOpen()
{
    const std::optional<QString> chosen = m_host.getOpenFileName(request());
    if (!chosen)
        return false;
    m_fileName = *chosen;
    return true;
}

bool CommonDialog::ShowSave()
{
    const std::optional<QString> chosen = m_host.getSaveFileName(request());
    if (!chosen)
        return false;
    m_fileName = withDefaultExt(*chosen, m_defaultExt);
    return true;
}

bool CommonDialog::ShowColor()
{
    const std::optional<OleColor::Value> chosen = m_host.getColor(m_color);
    if (!chosen)
        return false;
    m_color = *chosen;
    return true;
}

bool CommonDialog::ShowFont()
{
    const std::optional<FontChoice> chosen = m_host.getFont(m_font);
    if (!chosen)
        return false;
    m_font = *chosen;
    return true;
}

QString CommonDialog::withDefaultExt(const QString &path, const QString &defaultExt)
{
    if (path.isEmpty() || defaultExt.isEmpty())
        return path;
    if (QFileInfo(path).fileName().contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + defaultExt;
}
