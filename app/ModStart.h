#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class FrmBanner;
class FrmView;
class Parent;
class frmAbout;
class frmHelp;
class frmresize;

// The start-up routine and the owner of the program state and of every
// window. A window is created by the first call of its getter, which runs its
// load actions, and lives as long as its design says.
class ModStart final
{
public:
    explicit ModStart(const Platform &platform);
    ~ModStart();
    ModStart(const ModStart &) = delete;
    ModStart &operator=(const ModStart &) = delete;

    // Creates the windows in their order, centres the banner and shows it all.
    void Main();

    AppState &state() { return m_state; }
    const Platform &platform() const { return m_platform; }

    Parent &parentWindow();
    FrmBanner &banner();
    frmAbout &about();
    frmHelp &help();
    frmresize &resizeDialog();
    FrmView &viewer();

    bool hasAbout() const;
    bool hasViewer() const { return !m_viewer.isNull(); }

    // Ends the program at once: no questions, no closing handlers.
    void End();
    void setEndAction(std::function<void()> action) { m_end = std::move(action); }

private:
    Platform m_platform;
    AppState m_state;
    std::unique_ptr<Parent> m_parent;
    QPointer<FrmBanner> m_banner;
    QPointer<frmAbout> m_about;
    std::unique_ptr<frmHelp> m_help;
    QPointer<frmresize> m_resize;
    QPointer<FrmView> m_viewer;
    std::function<void()> m_end;
};
