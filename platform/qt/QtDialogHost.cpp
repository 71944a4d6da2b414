#include "platform/qt/QtDialogHost.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QString startDirectory(const QString &fileName)
{
    return fileName.isEmpty() ? QString() : QFileInfo(fileName).absolutePath();
}

std::optional<QString> runFileDialog(QWidget *parent, const FileDialogRequest &request, bool save)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = QtDialogHost::nameFilters(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (save && !request.defaultExt.isEmpty())
        dialog.setDefaultSuffix(request.defaultExt);
    if (!request.fileName.isEmpty()) {
        dialog.setDirectory(startDirectory(request.fileName));
        dialog.selectFile(QFileInfo(request.fileName).fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

QStringList QtDialogHost::nameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        result << QStringLiteral("%1 (%2)").arg(parts.at(i).trimmed(), patterns.trimmed());
    }
    return result;
}

QString QtDialogHost::displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QFont QtDialogHost::toQFont(const FontChoice &choice, const QFont &base)
{
    QFont font = base;
    if (!choice.name.isEmpty())
        font.setFamily(choice.name);
    if (choice.size > 0)
        font.setPointSizeF(double(choice.size));
    font.setBold(choice.bold);
    font.setItalic(choice.italic);
    font.setStrikeOut(choice.strikethru);
    font.setUnderline(choice.underline);
    return font;
}

FontChoice QtDialogHost::fromQFont(const QFont &font)
{
    return FontChoice{font.family(), float(font.pointSizeF()), font.bold(),
                      font.italic(), font.strikeOut(),         font.underline()};
}

std::optional<QString> QtDialogHost::getOpenFileName(const FileDialogRequest &request)
{
    return runFileDialog(m_parent, request, false);
}

std::optional<QString> QtDialogHost::getSaveFileName(const FileDialogRequest &request)
{
    return runFileDialog(m_parent, request, true);
}

std::optional<OleColor::Value> QtDialogHost::getColor(OleColor::Value initial)
{
    const QColor chosen = QColorDialog::getColor(OleColor::toQColor(initial), m_parent);
    if (!chosen.isValid())
        return std::nullopt;
    return OleColor::fromQColor(chosen);
}

std::optional<FontChoice> QtDialogHost::getFont(const FontChoice &initial)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, toQFont(initial, QApplication::font()), m_parent);
    if (!ok)
        return std::nullopt;
    return fromQFont(chosen);
}

QString QtDialogHost::inputBox(const QString &prompt, const QString &title)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, title, displayText(prompt), QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
}

void QtDialogHost::messageBox(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, displayText(text), QMessageBox::Ok, m_parent);
    box.exec();
}
