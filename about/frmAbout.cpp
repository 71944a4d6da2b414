#include "about/frmAbout.h"

#include "common/AppIdentity.h"
#include "common/DesignLabel.h"
#include "common/Texts.h"
#include "common/ToolbarArt.h"
#include "platform/DesignFont.h"
#include "platform/DialogHost.h"
#include "platform/FileProbe.h"
#include "platform/KeyValue.h"
#include "platform/OleColor.h"
#include "platform/SystemLauncher.h"
#include "platform/Units.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QWindow>

namespace {

// Where the system's own information tool is registered.
const QString kSysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kSysInfoValue = QStringLiteral("PATH");
const QString kSysInfoLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kSysInfoLocationValue = QStringLiteral("MSINFO");
const QString kSysInfoFile = QStringLiteral("\\MSINFO32.EXE");

// The registry, the launcher and the disk speak the system's 8-bit code page.
std::string local(const QString &text)
{
    return text.toLocal8Bit().toStdString();
}

constexpr char kSizesToText[] = "sizesToText";

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect geometry, const QFont &font,
              OleColor::Value color, bool autoSize)
{
    QLabel *l = designLabel(parent, name, text, geometry, font, OleColor::toQColor(color));
    // Sized when first shown: measuring text loads the font, which a box
    // that starts hidden need not pay for at start-up.
    l->setProperty(kSizesToText, autoSize);
    return l;
}

QFrame *line(QWidget *parent, const char *name, QRect geometry, OleColor::Value color)
{
    auto *l = new QFrame(parent);
    l->setObjectName(QLatin1String(name));
    l->setAutoFillBackground(true);
    QPalette palette = l->palette();
    palette.setColor(QPalette::Window, OleColor::toQColor(color));
    l->setPalette(palette);
    l->setGeometry(geometry);
    return l;
}

} // namespace

frmAbout::frmAbout(const Platform &platform)
    : QDialog(nullptr,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::CustomizeWindowHint)
    , m_platform(platform)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowIcon(ToolbarArt::programIcon());
    setFixedSize(Units::pixels(5730), Units::pixels(3555));
    move(Units::pixels(3090), Units::pixels(3420));

    auto *picIcon = new QWidget(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(Units::rect(120, 240, 735, 2100));
    const QFont letters = DesignFont::msSansSerif(24, true);
    const struct
    {
        const char *text;
        OleColor::Value color;
    } column[] = {{"T", 0x00FFFF}, {"A", 0x0000FF}, {"R", 0x00FF00}, {"V", 0xFF00FF}};
    for (int i = 0; i < 4; ++i) {
        QLabel *letter = label(picIcon, "Label4", QLatin1String(column[i].text), Units::rect(120, 480 * i, 0, 0),
                               letters, column[i].color, true);
        letter->setObjectName(QStringLiteral("Label4(%1)").arg(i));
    }

    m_title = label(this, "lblTitle", QString(), Units::rect(1050, 240, 3885, 480),
                    DesignFont::lucidaHandwriting(20.25, true), 0xFF0000, false);
    m_version = label(this, "lblVersion", QString(), Units::rect(3840, 780, 1605, 345),
                      DesignFont::msSansSerif(12, false), 0xFF0000, false);
    label(this, "lblDescription", QStringLiteral("Banners"), Units::rect(1320, 1200, 3885, 570),
          DesignFont::lucidaHandwriting(24, true), 0xFF0000, false);
    label(this, "Label1", QStringLiteral("made simple"), Units::rect(2280, 1800, 3375, 615),
          DesignFont::lucidaHandwriting(24, true), 0xFF0000, false);
    line(this, "Line1(1)", QRect(Units::pixels(90), Units::pixels(2445), Units::pixels(5654 - 90), 1), 0x808080);
    line(this, "Line1(0)", QRect(Units::pixels(105), Units::pixels(2460), Units::pixels(5654 - 105), 2), 0xFFFFFF);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setGeometry(Units::rect(4245, 2625, 1260, 345));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto *sysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    sysInfo->setGeometry(Units::rect(4260, 3075, 1245, 345));
    setTabOrder(ok, sysInfo);
    connect(ok, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(sysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    ok->setFocus();

    Form_Load();
}

QString frmAbout::versionText()
{
    return Texts::kVersionPrefix + QString::number(AppIdentity::kMajor) + QLatin1Char('.')
        + QString::number(AppIdentity::kMinor) + QLatin1Char('.') + QString::number(AppIdentity::kRevision);
}

void frmAbout::Form_Load()
{
    setWindowTitle(Texts::kAboutPrefix + AppIdentity::kTitle);
    m_version->setText(versionText());
    m_title->setText(AppIdentity::kTitle);
}

void frmAbout::showEvent(QShowEvent *event)
{
    const QList<QLabel *> labels = findChildren<QLabel *>();
    for (QLabel *l : labels) {
        if (l->property(kSizesToText).toBool())
            l->adjustSize();
    }
    QDialog::showEvent(event);
}

void frmAbout::Show(QWidget *owner)
{
    // A window owned by another gets no task-bar button and stays above it,
    // as a dialog does; it is still a top-level window of its own.
    if (owner && owner->window()->windowHandle()) {
        winId();
        windowHandle()->setTransientParent(owner->window()->windowHandle());
    }
    show();
    raise();
    activateWindow();
}

void frmAbout::cmdOK_Click()
{
    m_unloaded = true;
    hide();
    deleteLater();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

std::optional<QString> frmAbout::registeredTool()
{
    QString path;
    if (GetKeyValue(Registry::kLocalMachine, kSysInfoKey, kSysInfoValue, path))
        return path; // a full path, started without looking for it first
    if (!GetKeyValue(Registry::kLocalMachine, kSysInfoLocationKey, kSysInfoLocationValue, path))
        return std::nullopt;
    if (!m_platform.files.fileExists(local(path + kSysInfoFile)))
        return std::nullopt;
    return path + kSysInfoFile;
}

void frmAbout::StartSysInfo()
{
    try {
        if (const std::optional<QString> path = registeredTool(); path && m_platform.launcher.start(local(*path)))
            return;
        // Where no registry names a tool the system may still have one of
        // the well-known ones.
        for (const std::string &name : SystemLauncher::systemInfoTools()) {
            const std::string path = m_platform.launcher.findOnPath(name);
            if (!path.empty() && m_platform.launcher.start(path))
                return;
        }
    } catch (const std::exception &) {
        // Whatever went wrong, the user learns only that there is no tool.
    }
    m_platform.dialogs.messageBox(Texts::kSysInfoUnavailable, AppIdentity::kTitle);
}

bool frmAbout::GetKeyValue(Registry::Key KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal)
{
    std::string value = local(KeyVal);
    const bool read = KeyValue::read(m_platform.registry, KeyRoot, local(KeyName), local(SubKeyRef), value);
    KeyVal = QString::fromLocal8Bit(value);
    return read;
}

void frmAbout::reject()
{
    // Esc and the close box unload the box as OK does.
    cmdOK_Click();
}
