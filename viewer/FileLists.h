#pragma once

#include <QComboBox>
#include <QListWidget>

// The three lists of a classic drive, folder and file picker. Each changes
// only when the new place could be read; otherwise it throws Failure and
// stays where it was.

// The machine's drives: its mounted file systems, or drive letters.
class DriveListBox final : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveListBox(QWidget *parent = nullptr);

    // The root of the chosen drive, as a folder path.
    QString Drive() const;
    // Selects the drive that holds the path, without a Change.
    void setDriveOf(const QString &path);

Q_SIGNALS:
    // The user chose a drive other than the one shown.
    void Change();

private:
    int m_shown = -1;
};

// The path from the drive's root down to the current folder, then its
// sub-folders. A double click or Enter on a folder asks to make it current.
class DirListBox final : public QListWidget
{
    Q_OBJECT
public:
    explicit DirListBox(QWidget *parent = nullptr);

    QString Path() const { return m_path; }
    void setPath(const QString &path);

Q_SIGNALS:
    void chosen(const QString &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void choose(QListWidgetItem *item);

    QString m_path;
};

// Every file of a folder, no pattern. Each change of the selected file,
// however it comes (mouse, keys, typing), is one Click, and so is a left
// click on the file already selected: the preview always shows the file
// that is highlighted. A double click is a DblClick; Enter does nothing.
class FileListBox final : public QListWidget
{
    Q_OBJECT
public:
    explicit FileListBox(QWidget *parent = nullptr);

    QString Path() const { return m_path; }
    void setPath(const QString &path);
    // The selected name, without folder; empty when none is selected.
    QString FileName() const;

Q_SIGNALS:
    void Click();
    void DblClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void selectionMoved();
    void clicked(QListWidgetItem *item);

    QString m_path;
    // The row last announced by a Click; -1 when nothing is highlighted.
    int m_announced = -1;
    bool m_announcedSincePress = false;
};

// The files and sub-folders of a folder, sorted as a person reads them.
// Throws Failure when the folder cannot be read.
QStringList listFolder(const QString &path, bool folders);
