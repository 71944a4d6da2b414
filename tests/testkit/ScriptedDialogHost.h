#pragma once

#include "platform/DialogHost.h"

#include <QStringList>

#include <deque>
#include <variant>

// Answers the program's modal boxes from a script. A box the script did not
// expect is recorded as an error and cancelled; the rig fails the test on it.
class ScriptedDialogHost final : public DialogHost
{
public:
    struct Cancel
    { };

    void answerOpen(std::optional<QString> path) { m_answers.push_back(Answer{Kind::Open, std::move(path)}); }
    void answerSave(std::optional<QString> path) { m_answers.push_back(Answer{Kind::Save, std::move(path)}); }
    void answerColor(std::optional<OleColor::Value> color) { m_answers.push_back(Answer{Kind::Color, color}); }
    void answerFont(std::optional<FontChoice> font) { m_answers.push_back(Answer{Kind::Font, std::move(font)}); }
    void answerInput(const QString &text) { m_answers.push_back(Answer{Kind::Input, text}); }
    void answerMessage() { m_answers.push_back(Answer{Kind::Message, Cancel{}}); }

    std::optional<QString> getOpenFileName(const FileDialogRequest &request) override;
    std::optional<QString> getSaveFileName(const FileDialogRequest &request) override;
    std::optional<OleColor::Value> getColor(OleColor::Value initial) override;
    std::optional<FontChoice> getFont(const FontChoice &initial) override;
    QString inputBox(const QString &prompt, const QString &title) override;
    void messageBox(const QString &text, const QString &title) override;

    // What the boxes were shown with, in order.
    const std::vector<FileDialogRequest> &fileRequests() const { return m_fileRequests; }
    const QStringList &prompts() const { return m_prompts; }
    const QStringList &titles() const { return m_titles; }
    const QStringList &messages() const { return m_messages; }
    const std::vector<OleColor::Value> &colorInitials() const { return m_colorInitials; }

    QStringList errors() const;

private:
    enum class Kind { Open, Save, Color, Font, Input, Message };
    struct Answer
    {
        Kind kind;
        std::variant<Cancel, std::optional<QString>, std::optional<OleColor::Value>, std::optional<FontChoice>, QString>
            value;
    };
    bool take(Kind kind, const char *what, Answer &answer);

    std::deque<Answer> m_answers;
    std::vector<FileDialogRequest> m_fileRequests;
    std::vector<OleColor::Value> m_colorInitials;
    QStringList m_prompts;
    QStringList m_titles;
    QStringList m_messages;
    QStringList m_errors;
};
