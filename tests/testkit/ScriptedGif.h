#pragma once

#include "platform/AnimatedGif.h"
#include "platform/Failure.h"
#include "platform/Units.h"

#include <QFileInfo>
#include <QPointer>
#include <QWidget>

#include <map>

// The animated-GIF display, answering from a script: each file name shows
// at its scripted size in twips; a name the script lacks fails to load and
// the control keeps what it showed.
class ScriptedGif final : public QWidget, public AnimatedGif
{
public:
    ScriptedGif(QWidget *parent, const std::map<QString, QSizeF> &script)
        : QWidget(parent)
        , m_script(script)
    {
        setObjectName(QStringLiteral("Gif"));
    }

    QWidget *widget() override { return this; }
    void setFileName(const QString &path) override
    {
        files << path;
        const auto found = m_script.find(QFileInfo(path).fileName());
        if (found == m_script.end())
            throw Failure(QStringLiteral("not scripted"));
        m_size = found->second;
        resize(qRound(Units::toPixels(float(m_size.width()))), qRound(Units::toPixels(float(m_size.height()))));
    }
    float Width() const override { return float(m_size.width()); }
    float Height() const override { return float(m_size.height()); }

    QStringList files;

private:
    const std::map<QString, QSizeF> &m_script;
    QSizeF m_size{1575, 975};
};

class ScriptedGifFactory final : public AnimatedGifFactory
{
public:
    AnimatedGif &create(QWidget *parent) override
    {
        last = new ScriptedGif(parent, script);
        return *last;
    }

    std::map<QString, QSizeF> script;
    QPointer<ScriptedGif> last;
};
