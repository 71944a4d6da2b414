#include "ScriptedDialogHost.h"

bool ScriptedDialogHost::take(Kind kind, const char *what, Answer &answer)
{
    if (m_answers.empty()) {
        m_errors << QStringLiteral("unscripted %1 box").arg(QLatin1String(what));
        return false;
    }
    answer = m_answers.front();
    m_answers.pop_front();
    if (answer.kind != kind) {
        m_errors << QStringLiteral("a %1 box came where the script expected another").arg(QLatin1String(what));
        return false;
    }
    return true;
}

std::optional<QString> ScriptedDialogHost::getOpenFileName(const FileDialogRequest &request)
{
    m_fileRequests.push_back(request);
    Answer a;
    return take(Kind::Open, "open", a) ? std::get<std::optional<QString>>(a.value) : std::nullopt;
}

std::optional<QString> ScriptedDialogHost::getSaveFileName(const FileDialogRequest &request)
{
    m_fileRequests.push_back(request);
    Answer a;
    return take(Kind::Save, "save", a) ? std::get<std::optional<QString>>(a.value) : std::nullopt;
}

std::optional<OleColor::Value> ScriptedDialogHost::getColor(OleColor::Value initial)
{
    m_colorInitials.push_back(initial);
    Answer a;
    return take(Kind::Color, "colour", a) ? std::get<std::optional<OleColor::Value>>(a.value) : std::nullopt;
}

std::optional<FontChoice> ScriptedDialogHost::getFont(const FontChoice &)
{
    Answer a;
    return take(Kind::Font, "font", a) ? std::get<std::optional<FontChoice>>(a.value) : std::nullopt;
}

QString ScriptedDialogHost::inputBox(const QString &prompt, const QString &title)
{
    m_prompts << prompt;
    m_titles << title;
    Answer a;
    return take(Kind::Input, "input", a) ? std::get<QString>(a.value) : QString();
}

void ScriptedDialogHost::messageBox(const QString &text, const QString &title)
{
    m_messages << text;
    m_titles << title;
    Answer a;
    if (!take(Kind::Message, "message", a))
        m_errors.last() += QStringLiteral(": ") + text;
}

QStringList ScriptedDialogHost::errors() const
{
    QStringList all = m_errors;
    if (!m_answers.empty())
        all << QStringLiteral("%1 scripted answer(s) never asked for").arg(m_answers.size());
    return all;
}
