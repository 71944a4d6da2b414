#pragma once

#include "banner/BannerHost.h"
#include "platform/CommonDialog.h"
#include "platform/OleColor.h"

#include <QMainWindow>

#include <array>

class Clipboard;
class ImageCopy;
class ModStart;
class PictureBox;
class QAction;
class QLabel;
class QMdiArea;
class QPushButton;
class QToolBar;
struct Platform;

// The main window: menus, the command strip Toolbar1, the palette strip
// Toolbar2, the status bar and the work area that holds the banner.
class Parent final : public QMainWindow, public BannerHost
{
    Q_OBJECT
public:
    Parent(ModStart &app, const Platform &platform);
    ~Parent() override;

    static constexpr int kPaletteSize = 28;
    static const std::array<OleColor::Value, kPaletteSize> kPaletteColors;
    static QPoint paletteTopLeft(int index); // twips, inside Toolbar2

    // Inner size of the work area in twips, as it stands now.
    float ScaleWidth() const;
    float ScaleHeight() const;

    QMdiArea &workArea() const { return *m_workArea; }
    CommonDialog &CommonDialog1() { return m_commonDialog; }
    OleColor::Value BackColor() const { return m_backColor; }
    void setBackColor(OleColor::Value color);
    PictureBox *Picture2() const { return m_picture2; }
    PictureBox *Picture3() const { return m_picture3; }
    PictureBox *swatch(int index) const { return m_palette.at(std::size_t(index)); }
    QToolBar *Toolbar1() const { return m_toolbar1; }

    void showPosition(const QString &x, const QString &y) override;
    void setBackgroundSwatch(OleColor::Value color) override;
    void guard(const std::function<void()> &handler) override { run(handler); }

    // Handlers.
    void Form_Load();
    void MnuExit_Click();
    void MnuAbout_Click();
    void MnuViewHelp_Click();
    void Toolbar1_ButtonClick(const QString &key);
    void MnuNew_Click();
    void mnubackcolor_Click();
    void MnuBackImage_Click();
    void MnuBannerSize_Click();
    void MnuText_Click();
    void palette_Click(int index);
    void palette_DblClick(int index);
    void cmdwrkcolor_Click();
    void MnuSave_Click();
    void MnuLoad_Click();
    void MnuBmp_Click();
    void MnuGif_Click();
    // Loads a picture named when the program was started, as Load would.
    void openFile(const QString &path);

    PictureBox *Picture4() const { return m_picture4; }
    ImageCopy &CopyImag1() { return m_imageCopy; }
    // To whole pixels, halves to the even neighbour.
    static long roundHalfEven(double value);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildToolbar1();
    void buildToolbar2();
    void buildStatusBar();
    // Every handler runs guarded: a failing step is reported, never thrown on.
    void run(const std::function<void()> &handler);

    void newBanner();
    void clearBanner();
    void armBackColor();
    void addText();
    void showResize(bool place);
    void showViewer();
    void chooseFonts();

    ModStart &m_app;
    DialogHost &m_dialogs;
    Clipboard &m_clipboard;
    ImageCopy &m_imageCopy;
    CommonDialog m_commonDialog;
    OleColor::Value m_backColor = OleColor::kAppWorkspace;

    QMdiArea *m_workArea = nullptr;
    QToolBar *m_toolbar1 = nullptr;
    QWidget *m_toolbar2 = nullptr;
    PictureBox *m_picture2 = nullptr;
    PictureBox *m_picture3 = nullptr;
    PictureBox *m_picture4 = nullptr;
    std::array<PictureBox *, kPaletteSize> m_palette{};
    QLabel *m_readoutX = nullptr;
    QLabel *m_readoutY = nullptr;
};
