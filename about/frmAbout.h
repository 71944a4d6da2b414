#pragma once

#include "platform/Platform.h"
#include "platform/Registry.h"

#include <QDialog>

#include <optional>

class QLabel;

// The about box: title, version and description, and the launch of the
// system's information tool. OK destroys it; the next showing creates it anew.
class frmAbout final : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(const Platform &platform);

    // Modeless, owned by the given window so that it has no task-bar button.
    void Show(QWidget *owner);
    static QString versionText();
    // OK was pressed: the box is on its way out and must not be shown again.
    bool isUnloaded() const { return m_unloaded; }

    void cmdOK_Click();
    void cmdSysInfo_Click();

protected:
    void reject() override;
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    void StartSysInfo();
    bool GetKeyValue(Registry::Key KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal);
    // The tool the registry names, or none.
    std::optional<QString> registeredTool();

    Platform m_platform;
    bool m_unloaded = false;

    QLabel *m_title = nullptr;
    QLabel *m_version = nullptr;
};
