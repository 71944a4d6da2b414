#include "viewer/FrmView.h"

#include "banner/FrmBanner.h"
#include "common/DesignLabel.h"
#include "common/Texts.h"
#include "platform/AnimatedGif.h"
#include "platform/Clipboard.h"
#include "platform/DesignFont.h"
#include "platform/Failure.h"
#include "platform/NumberText.h"
#include "platform/OleColor.h"
#include "platform/PictureReader.h"
#include "platform/Platform.h"
#include "platform/Units.h"
#include "platform/qt/BusyCursor.h"
#include "viewer/FileLists.h"

#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QShortcut>

namespace {

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect geometry, const QFont &font,
              OleColor::Value color, bool autoSize)
{
    QLabel *l = designLabel(parent, name, text, geometry, font, OleColor::toQColor(color));
    if (autoSize)
        l->adjustSize();
    return l;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(geometry);
    b->setFont(DesignFont::msSansSerif(9.75, true));
    b->setAutoDefault(false);
    return b;
}

} // namespace

FrmView::FrmView(QMdiArea &workArea, FrmBanner &banner, const Platform &platform)
    : m_banner(banner)
    , m_dialogs(platform.dialogs)
    , m_clipboard(platform.clipboard)
    , m_pictures(platform.pictures)
{
    setObjectName(QStringLiteral("FrmView"));
    setFont(DesignFont::msSansSerif(8.25, false));
    resize(sizeHint());

    m_dir1 = new DirListBox(this);
    m_dir1->setObjectName(QStringLiteral("Dir1"));
    m_dir1->setGeometry(Units::rect(0, 480, 2295, 3015));
    m_drive1 = new DriveListBox(this);
    m_drive1->setObjectName(QStringLiteral("Drive1"));
    m_drive1->setGeometry(Units::rect(0, 3600, 2295, 315));
    m_file1 = new FileListBox(this);
    m_file1->setObjectName(QStringLiteral("File1"));
    m_file1->setGeometry(Units::rect(2760, 480, 2175, 3015));
    m_cancel = button(this, "cmdCancel", QStringLiteral("Cancel"), Units::rect(2520, 3960, 1215, 495));
    m_ok = button(this, "Command2", QStringLiteral("OK"), Units::rect(3960, 3960, 1215, 495));

    m_picture1 = new QFrame(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setGeometry(Units::rect(5400, 120, 2895, 3375));
    m_picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_picture1->setLineWidth(2);
    // What the preview holds is placed from the inside of the frame and cut off at it.
    auto *inside = new QWidget(m_picture1);
    inside->setGeometry(m_picture1->contentsRect());
    m_gif = &platform.gifs.create(inside);
    m_gif->widget()->setGeometry(Units::rect(0, 120, 1575, 975));
    m_image1 = new QLabel(inside);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setGeometry(Units::rect(0, 0, 1575, 1215));
    m_image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    label(this, "Label1", QStringLiteral("Tarvello Viewer"), Units::rect(240, 0, 1815, 360),
          DesignFont::lucidaHandwriting(14.25, false), 0xFF0000, true);
    label(this, "Label2", QStringLiteral("Width"), Units::rect(5400, 3600, 510, 195),
          DesignFont::msSansSerif(8.25, true), 0, true);
    label(this, "Label3", QStringLiteral("Height"), Units::rect(5400, 3960, 570, 195),
          DesignFont::msSansSerif(8.25, true), 0, true);
    m_label4 = label(this, "Label4", QString(), Units::rect(6120, 3600, 1695, 255), font(), 0, false);
    m_label5 = label(this, "Label5", QString(), Units::rect(6120, 3960, 1935, 255),
                     DesignFont::lucidaHandwriting(8.25, false), 0, false);

    setTabOrder(m_ok, m_cancel);
    setTabOrder(m_cancel, m_file1);
    setTabOrder(m_file1, m_drive1);
    setTabOrder(m_drive1, m_dir1);
    // The first control of the tab order that can take the focus has it.
    m_ok->setFocus();

    connect(m_drive1, &DriveListBox::Change, this, [this] { run([this] { Drive1_Change(); }); });
    connect(m_dir1, &DirListBox::chosen, this,
            [this](const QString &path) { run([this, path] { setDirPath(path); }); });
    connect(m_file1, &FileListBox::Click, this, [this] { run([this] { File1_Click(); }); });
    connect(m_file1, &FileListBox::DblClick, this, [this] { run([this] { File1_DblClick(); }); });
    connect(m_ok, &QPushButton::clicked, this, [this] { run([this] { Command2_Click(); }); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { run([this] { cmdCancel_Click(); }); });
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, m_cancel, &QPushButton::click);

    // The lists start at the program's current folder; should that be
    // unreadable, somewhere that can be read.
    for (const QString &start : {QDir::currentPath(), QDir::homePath(), QDir::rootPath()}) {
        try {
            setDirPath(start);
            break;
        } catch (const Failure &) {
        }
    }

    m_window = workArea.addSubWindow(this);
    m_window->setObjectName(QStringLiteral("FrmViewWindow"));
    m_window->setWindowTitle(Texts::kViewCaption);
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    m_window->resize(m_window->sizeHint());
}

QSize FrmView::sizeHint() const
{
    return QSize(Units::pixels(8610), Units::pixels(4665));
}

void FrmView::Show()
{
    m_window->show();
    m_window->raise();
    m_window->mdiArea()->setActiveSubWindow(m_window);
}

void FrmView::run(const std::function<void()> &handler)
{
    runHandler(m_dialogs, handler);
}

QString FrmView::selectedPath() const
{
    return m_dir1->Path() + QLatin1Char('/') + m_file1->FileName();
}

void FrmView::setDirPath(const QString &path)
{
    m_dir1->setPath(path);
    // A folder reached from the list may stand on another drive.
    m_drive1->setDriveOf(m_dir1->Path());
    Dir1_Change();
}

void FrmView::Drive1_Change()
{
    try {
        setDirPath(m_drive1->Drive());
    } catch (const Failure &) {
        // The lists stayed where they were; so does the drive shown.
        m_drive1->setDriveOf(m_dir1->Path());
        throw;
    }
}

void FrmView::Dir1_Change()
{
    m_file1->setPath(m_dir1->Path());
}

float FrmView::image1Width() const
{
    return Units::toTwips(float(m_image1->width()));
}

float FrmView::image1Height() const
{
    return Units::toTwips(float(m_image1->height()));
}

void FrmView::setImage1Picture(const QImage &picture)
{
    m_image1Picture = picture;
    if (picture.isNull()) {
        m_image1->clear();
        return;
    }
    m_image1->setPixmap(QPixmap::fromImage(picture));
    m_image1->resize(picture.size());
}

void FrmView::File1_Click()
{
    const QString name = m_file1->FileName();
    const QString path = selectedPath();
    const QString ending = name.right(3);
    const BusyCursor busy;
    // Every step runs; one that fails is skipped without a word.
    if (ending == QLatin1String("GIF") || ending == QLatin1String("gif")) {
        skipOnFailure([&] { m_gif->widget()->setVisible(true); });
        skipOnFailure([&] { m_image1->setVisible(false); });
        skipOnFailure([&] { m_gif->setFileName(path); });
        skipOnFailure([&] { m_label4->setText(shortNumber(Units::toPixels(m_gif->Width()))); });
        skipOnFailure([&] { m_label5->setText(shortNumber(Units::toPixels(m_gif->Height()))); });
    } else {
        skipOnFailure([&] { m_image1->setVisible(true); });
        skipOnFailure([&] { m_gif->widget()->setVisible(false); });
        skipOnFailure([&] { setImage1Picture(m_pictures.read(path)); });
        skipOnFailure([&] { m_label4->setText(shortNumber(Units::toPixels(image1Width()))); });
        skipOnFailure([&] { m_label5->setText(shortNumber(Units::toPixels(image1Height()))); });
    }
}

void FrmView::File1_DblClick()
{
    Command2_Click();
}

void FrmView::Command2_Click()
{
    const QString path = selectedPath();
    const BusyCursor busy;
    skipOnFailure([&] { m_clipboard.clear(); });
    skipOnFailure([&] { m_clipboard.setImage(m_pictures.read(path)); });
    skipOnFailure([&] {
        const QImage copied = m_clipboard.image();
        setImage1Picture(copied.isNull() ? copied : copied.convertToFormat(QImage::Format_RGB32));
    });
    skipOnFailure([&] { m_banner.PaintPicture(m_image1Picture, 0, 0, m_banner.ScaleWidth(), m_banner.ScaleHeight()); });
    m_window->hide();
}

void FrmView::cmdCancel_Click()
{
    m_window->hide();
}
