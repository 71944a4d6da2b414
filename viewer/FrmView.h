#pragma once

#include <QImage>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

class AnimatedGif;
class Clipboard;
class DialogHost;
class DirListBox;
class DriveListBox;
class FileListBox;
class FrmBanner;
class QFrame;
class QLabel;
class QMdiArea;
class PictureReader;
class QPushButton;
struct Platform;

// The graphic viewer: a child window of the work area that browses the disk,
// previews a file with its size in pixels and paints the chosen picture over
// the whole banner. OK and Cancel hide it; its close box destroys it and the
// next reference creates it anew.
class FrmView final : public QWidget
{
    Q_OBJECT
public:
    FrmView(QMdiArea &workArea, FrmBanner &banner, const Platform &platform);

    void Show();
    QMdiSubWindow *window() const { return m_window; }
    QSize sizeHint() const override;

    // The selected file: the folder list's path, one separator, the name.
    QString selectedPath() const;
    const QImage &image1Picture() const { return m_image1Picture; }
    AnimatedGif &Gif() const { return *m_gif; }

    // Handlers.
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void File1_DblClick();
    void Command2_Click();
    void cmdCancel_Click();

private:
    // Moves the folder list, and through it the file list, to a folder.
    void setDirPath(const QString &path);
    void setImage1Picture(const QImage &picture);
    float image1Width() const;
    float image1Height() const;
    void run(const std::function<void()> &handler);

    FrmBanner &m_banner;
    DialogHost &m_dialogs;
    Clipboard &m_clipboard;
    PictureReader &m_pictures;
    QPointer<QMdiSubWindow> m_window;
    DirListBox *m_dir1 = nullptr;
    DriveListBox *m_drive1 = nullptr;
    FileListBox *m_file1 = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_ok = nullptr;
    QFrame *m_picture1 = nullptr;
    AnimatedGif *m_gif = nullptr;
    QLabel *m_image1 = nullptr;
    QImage m_image1Picture;
    QLabel *m_label4 = nullptr;
    QLabel *m_label5 = nullptr;
};
