#include "app/Parent.h"

#include "about/frmAbout.h"
#include "about/frmHelp.h"
#include "app/ModStart.h"
#include "app/PictureBox.h"
#include "common/Texts.h"
#include "common/ToolbarArt.h"
#include "platform/DesignFont.h"
#include "platform/Failure.h"
#include "platform/Platform.h"
#include "platform/Units.h"
#include "platform/qt/StatusBarClock.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace {

// Designed client size, below the menu bar.
constexpr QSize kClientSize(Units::pixels(10140), Units::pixels(6435));

QLabel *frameLabel(QWidget *frame, const char *name, const QString &text, int left, int top)
{
    auto *label = new QLabel(text, frame);
    label->setObjectName(QLatin1String(name));
    QFont font = DesignFont::msSansSerif(9.75, true);
    // Digits and "X>" never need another font's glyphs, so start-up skips
    // gathering the fallback fonts for this face; the program's setting not
    // to shape its captions must be repeated, as this one replaces it.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferNoShaping));
    label->setFont(font);
    label->move(Units::pixels(left), Units::pixels(top));
    label->adjustSize();
    return label;
}

} // namespace

Parent::Parent(ModStart &app, const Platform &platform)
    : m_app(app)
    , m_dialogs(platform.dialogs)
    , m_clipboard(platform.clipboard)
    , m_imageCopy(platform.imageCopy)
    , m_commonDialog(platform.dialogs)
{
    setObjectName(QStringLiteral("Parent"));
    setWindowIcon(ToolbarArt::programIcon());

    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    m_workArea = new QMdiArea(central);
    m_workArea->setObjectName(QStringLiteral("WorkArea"));
    m_workArea->setFrameShape(QFrame::NoFrame);
    m_workArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_workArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setCentralWidget(central);

    buildMenus();
    buildToolbar1();
    buildToolbar2();
    buildStatusBar();
    grid->addWidget(m_toolbar1, 0, 0);
    grid->addWidget(m_workArea, 0, 1);
    grid->addWidget(m_toolbar2, 1, 0, 1, 2);

    setBackColor(OleColor::kAppWorkspace);
    resize(kClientSize.width(), kClientSize.height() + menuBar()->sizeHint().height());
    // Lay out now, so the work area has its size before the window is shown.
    layout()->activate();
    central->layout()->activate();

    Form_Load();
}

Parent::~Parent() = default;

void Parent::Form_Load()
{
    m_picture2->setBackColor(OleColor::rgb(0, 0, 0));
}

void Parent::run(const std::function<void()> &handler)
{
    runHandler(m_dialogs, handler);
}

void Parent::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto item = [this](QMenu *menu, const char *name, const QString &caption, void (Parent::*handler)()) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        if (handler)
            connect(action, &QAction::triggered, this,
                    [this, handler] { run([this, handler] { (this->*handler)(); }); });
        return action;
    };

    QMenu *file = bar->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("MnuFile"));
    file->menuAction()->setObjectName(QStringLiteral("MnuFile"));
    item(file, "MnuNew", QStringLiteral("New"), &Parent::MnuNew_Click);
    item(file, "MnuLoad", QStringLiteral("Load"), &Parent::MnuLoad_Click);
    item(file, "MnuSave", QStringLiteral("Save (bmp)"), &Parent::MnuSave_Click);
    QMenu *saveAs = file->addMenu(QStringLiteral("Save As "));
    saveAs->setObjectName(QStringLiteral("MnuSaveAs"));
    saveAs->menuAction()->setObjectName(QStringLiteral("MnuSaveAs"));
    item(saveAs, "MnuGif", QStringLiteral("Gif Format"), &Parent::MnuGif_Click);
    item(saveAs, "MnuBmp", QStringLiteral("Bitmap Format"), &Parent::MnuBmp_Click);
    file->addSeparator()->setObjectName(QStringLiteral("MnuSeperator"));
    item(file, "MnuExit", QStringLiteral("Exit"), &Parent::MnuExit_Click);

    QMenu *edit = bar->addMenu(QStringLiteral("Edit"));
    edit->setObjectName(QStringLiteral("MnuEdit"));
    edit->menuAction()->setObjectName(QStringLiteral("MnuEdit"));
    item(edit, "mnubackcolor", QStringLiteral("Back Color"), &Parent::mnubackcolor_Click);
    item(edit, "MnuBackImage", QStringLiteral("Back Image"), &Parent::MnuBackImage_Click);
    item(edit, "MnuBannerSize", QStringLiteral("Banner Size"), &Parent::MnuBannerSize_Click);
    item(edit, "MnuText", QStringLiteral("Fonts"), &Parent::MnuText_Click);

    QMenu *help = bar->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("MnuHelp"));
    help->menuAction()->setObjectName(QStringLiteral("MnuHelp"));
    item(help, "MnuViewHelp", QStringLiteral("View Help"), &Parent::MnuViewHelp_Click);
    item(help, "MnuAbout", QStringLiteral("About Tarvello"), &Parent::MnuAbout_Click);
}

void Parent::buildToolbar1()
{
    struct Button
    {
        const char *key;
        const char *tooltip;
    };
    static constexpr Button kButtons[] = {
        {"new", "New Banner"},     {"clear", "Clear Banner"}, {"background", "BackGround Color"},
        {"text", "Add Text"},      {"resize", "Banner Size"}, {"backimage", "BackGround Image"},
        {"fonts", "Choose Fonts"},
    };

    m_toolbar1 = new QToolBar(this);
    m_toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar1->setOrientation(Qt::Vertical);
    m_toolbar1->setMovable(false);
    m_toolbar1->setFloatable(false);
    m_toolbar1->setIconSize(QSize(ToolbarArt::kImageSize, ToolbarArt::kImageSize));
    m_toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolbar1->setFixedWidth(Units::pixels(675));
    m_toolbar1->layout()->setContentsMargins(1, 1, 1, 1);
    m_toolbar1->layout()->setSpacing(0);

    int image = 0;
    for (const Button &b : kButtons) {
        const QString key = QLatin1String(b.key);
        const QString tooltip = QLatin1String(b.tooltip);
        QAction *action = m_toolbar1->addAction(ToolbarArt::image(image++), QString());
        action->setObjectName(key);
        action->setData(key);
        action->setToolTip(tooltip);
        if (QWidget *button = m_toolbar1->widgetForAction(action)) {
            button->setFixedSize(42, 41);
            button->setAccessibleName(tooltip);
        }
        connect(action, &QAction::triggered, this,
                [this, action] { run([this, action] { Toolbar1_ButtonClick(action->data().toString()); }); });
    }
}

void Parent::buildToolbar2()
{
    m_toolbar2 = new QWidget(this);
    m_toolbar2->setObjectName(QStringLiteral("Toolbar2"));
    m_toolbar2->setFixedHeight(Units::pixels(675));

    auto *picture1 = new PictureBox(m_toolbar2);
    picture1->setObjectName(QStringLiteral("Picture1"));
    picture1->setGeometry(Units::rect(480, 120, 615, 495));
    picture1->setBackColor(OleColor::fromQColor(palette().color(QPalette::Button)));
    m_picture3 = new PictureBox(picture1);
    m_picture3->setObjectName(QStringLiteral("Picture3"));
    m_picture3->setGeometry(Units::rect(285, 165, 255, 255));
    m_picture3->setToolTip(Texts::kBackGroundColor);
    m_picture3->setAccessibleName(Texts::kBackGroundColor);
    // Declared after Picture3 so that it lies over it.
    m_picture2 = new PictureBox(picture1);
    m_picture2->setObjectName(QStringLiteral("Picture2"));
    m_picture2->setGeometry(Units::rect(15, 15, 255, 255));
    m_picture2->setToolTip(Texts::kForeGroundColor);
    m_picture2->setAccessibleName(Texts::kForeGroundColor);

    for (int i = 0; i < kPaletteSize; ++i) {
        auto *swatch = new PictureBox(m_toolbar2);
        swatch->setObjectName(QStringLiteral("palette(%1)").arg(i));
        const QPoint at = paletteTopLeft(i);
        swatch->setGeometry(Units::rect(at.x(), at.y(), 255, 255));
        const OleColor::Value color = kPaletteColors.at(std::size_t(i));
        swatch->setBackColor(color);
        swatch->setToolTip(Texts::kPaletteTip);
        swatch->setAccessibleName(QStringLiteral("Colour %1").arg(OleColor::toHtmlName(color)));
        swatch->setAccessibleDescription(Texts::kPaletteTip);
        connect(swatch, &PictureBox::clicked, this, [this, i] { run([this, i] { palette_Click(i); }); });
        connect(swatch, &PictureBox::doubleClicked, this, [this, i] { run([this, i] { palette_DblClick(i); }); });
        m_palette.at(std::size_t(i)) = swatch;
    }

    auto *work = new QPushButton(Texts::kWorkArea, m_toolbar2);
    work->setObjectName(QStringLiteral("cmdwrkcolor"));
    work->setGeometry(Units::rect(4800, 120, 1095, 255));
    work->setToolTip(Texts::kWorkAreaTip);
    connect(work, &QPushButton::clicked, this, [this] { run([this] { cmdwrkcolor_Click(); }); });

    m_picture4 = new PictureBox(m_toolbar2);
    m_picture4->setObjectName(QStringLiteral("Picture4"));
    m_picture4->setGeometry(Units::rect(6120, 120, 1095, 495));
    m_picture4->hide();

    auto *frame1 = new QWidget(m_toolbar2);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(Units::rect(7560, 0, 3135, 735));
    frame1->setToolTip(Texts::kCurrentPosition);
    frameLabel(frame1, "Label1", Texts::kXLabel, 240, 240);
    m_readoutX = frameLabel(frame1, "Label3", QString(), 600, 240);
    frameLabel(frame1, "Label2", Texts::kYLabel, 1680, 240);
    m_readoutY = frameLabel(frame1, "Label4", QString(), 2040, 240);
}

void Parent::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(Units::pixels(375));
    auto panel = [bar](const char *name, int width, int stretch, bool permanent) {
        auto *label = new QLabel(bar);
        label->setObjectName(QLatin1String(name));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setMinimumWidth(96);
        if (width)
            label->setFixedWidth(width);
        if (permanent)
            bar->addPermanentWidget(label, stretch);
        else
            bar->addWidget(label, stretch);
        return label;
    };
    QLabel *text = panel("Panel1", 0, 1, false);
    text->setText(Texts::kStatusText);
    QLabel *time = panel("Panel2", 96, 0, true);
    QLabel *date = panel("Panel3", 96, 0, true);
    new StatusBarClock(time, date, this); // owned by the window
}

QPoint Parent::paletteTopLeft(int index)
{
    return QPoint(1200 + 240 * (index % 14), index < 14 ? 120 : 360);
}

float Parent::ScaleWidth() const
{
    return Units::toTwips(float(m_workArea->width()));
}

float Parent::ScaleHeight() const
{
    return Units::toTwips(float(m_workArea->height()));
}

void Parent::setBackColor(OleColor::Value color)
{
    m_backColor = color;
    m_workArea->setBackground(OleColor::toQColor(color));
}

void Parent::showPosition(const QString &x, const QString &y)
{
    m_readoutX->setText(x);
    m_readoutX->adjustSize();
    m_readoutY->setText(y);
    m_readoutY->adjustSize();
}

void Parent::setBackgroundSwatch(OleColor::Value color)
{
    m_picture3->setBackColor(color);
}

void Parent::MnuExit_Click()
{
    m_app.End();
}

void Parent::MnuAbout_Click()
{
    m_app.about().Show(this);
}

void Parent::MnuViewHelp_Click()
{
    m_app.help().Show();
}

void Parent::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program as Exit does.
    event->accept();
    m_app.End();
}
