#include "app/ModStart.h"

#include "about/frmAbout.h"
#include "about/frmHelp.h"
#include "app/Parent.h"
#include "banner/FrmBanner.h"
#include "banner/frmresize.h"
#include "common/Texts.h"
#include "viewer/FrmView.h"

#include <QCoreApplication>

ModStart::ModStart(const Platform &platform)
    : m_platform(platform)
    , m_end([] { QCoreApplication::exit(0); })
{ }

ModStart::~ModStart()
{
    delete m_about.data();
    // The banner and the child windows go with the main window's work area.
    m_parent.reset();
}

void ModStart::Main()
{
    about();
    Parent &main = parentWindow();

    const float bannerWidth = banner().ScaleWidth();
    banner().setLeft(main.ScaleWidth() / 2.0f - bannerWidth / 2.0f);
    const float bannerHeight = banner().ScaleHeight();
    banner().setTop(main.ScaleHeight() / 2.0f - bannerHeight / 2.0f);

    main.show();
    banner().window()->show();
    main.setWindowTitle(Texts::kParentCaption);
}

Parent &ModStart::parentWindow()
{
    if (!m_parent)
        m_parent = std::make_unique<Parent>(*this, m_platform);
    return *m_parent;
}

FrmBanner &ModStart::banner()
{
    if (!m_banner) {
        Parent &main = parentWindow();
        m_banner = new FrmBanner(main.workArea(), m_state, main.CommonDialog1(), m_platform.mover, main);
    }
    return *m_banner;
}

frmAbout &ModStart::about()
{
    // A box that OK has unloaded is gone, even before Qt has deleted it.
    if (!m_about || m_about->isUnloaded())
        m_about = new frmAbout(m_platform);
    return *m_about;
}

bool ModStart::hasAbout() const
{
    return m_about && !m_about->isUnloaded();
}

frmHelp &ModStart::help()
{
    if (!m_help)
        m_help = std::make_unique<frmHelp>();
    return *m_help;
}

frmresize &ModStart::resizeDialog()
{
    if (!m_resize)
        m_resize = new frmresize(parentWindow().workArea(), banner());
    return *m_resize;
}

FrmView &ModStart::viewer()
{
    if (!m_viewer)
        m_viewer = new FrmView(parentWindow().workArea(), banner(), m_platform);
    return *m_viewer;
}

void ModStart::End()
{
    m_end();
}
