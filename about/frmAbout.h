#pragma once

#include <QDialog>

class QLabel;

// The about box: title, version and description. OK destroys it; the next
// showing creates it anew.
class frmAbout final : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    void Show();
    static QString versionText();

    void cmdOK_Click();
    void cmdSysInfo_Click();

protected:
    void reject() override;

private:
    void Form_Load();

    QLabel *m_title = nullptr;
    QLabel *m_version = nullptr;
};
