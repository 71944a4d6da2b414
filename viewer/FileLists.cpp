#include "viewer/FileLists.h"

#include "platform/Failure.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kPathRole = Qt::UserRole + 2;
constexpr int kIndent = 8;

// Folders stand indented by their depth below the drive's root.
class IndentDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem indented = option;
        indented.rect.setLeft(option.rect.left() + kIndent * index.data(kLevelRole).toInt());
        QStyledItemDelegate::paint(painter, indented, index);
    }
};

QString rootOf(const QString &path)
{
    const QString root = QStorageInfo(path).rootPath();
    return root.isEmpty() ? QDir::rootPath() : root;
}

} // namespace

QStringList listFolder(const QString &path, bool folders)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Failure(QStringLiteral("The folder \"%1\" cannot be opened: it does not exist or its drive is not ready.")
                          .arg(QDir::toNativeSeparators(path)));
    if (!info.isDir())
        throw Failure(QStringLiteral("\"%1\" is not a folder.").arg(QDir::toNativeSeparators(path)));
    if (!info.isReadable() || !info.isExecutable())
        throw Failure(
            QStringLiteral("The folder \"%1\" cannot be read: permission denied.").arg(QDir::toNativeSeparators(path)));
    // System entries are files too: pipes and devices are listed, and only
    // opening them is refused.
    const QDir::Filters filter = folders ? QDir::Dirs | QDir::NoDotAndDotDot : QDir::Files | QDir::System;
    return QDir(path).entryList(filter, QDir::Name | QDir::IgnoreCase);
}

DriveListBox::DriveListBox(QWidget *parent)
    : QComboBox(parent)
{
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        const QString root = volume.rootPath();
        QString text = QDir::toNativeSeparators(root);
        if (!volume.displayName().isEmpty() && volume.displayName() != root)
            text += QStringLiteral(" [%1]").arg(volume.displayName());
        addItem(text, root);
    }
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index == m_shown)
            return;
        m_shown = index;
        Q_EMIT Change();
    });
}

QString DriveListBox::Drive() const
{
    return currentData().toString();
}

void DriveListBox::setDriveOf(const QString &path)
{
    const QString root = rootOf(path);
    int at = findData(root);
    if (at < 0) {
        addItem(QDir::toNativeSeparators(root), root);
        at = count() - 1;
    }
    setCurrentIndex(at);
    m_shown = at;
}

DirListBox::DirListBox(QWidget *parent)
    : QListWidget(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirListBox::choose);
}

void DirListBox::setPath(const QString &path)
{
    const QString folder = QDir::cleanPath(QDir(path).absolutePath());
    const QStringList subFolders = listFolder(folder, true);

    // The ancestors, from the root down, each with its full path.
    QStringList chain;
    for (QDir d(folder);;) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp())
            break;
    }
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    clear();
    int level = 0;
    for (const QString &p : std::as_const(chain)) {
        const QString name = level == 0 ? QDir::toNativeSeparators(p) : QFileInfo(p).fileName();
        auto *item = new QListWidgetItem(open, name, this);
        item->setData(kLevelRole, level++);
        item->setData(kPathRole, p);
    }
    setCurrentRow(count() - 1);
    for (const QString &name : subFolders) {
        auto *item = new QListWidgetItem(closed, name, this);
        item->setData(kLevelRole, level);
        item->setData(kPathRole, QDir(folder).filePath(name));
    }
    m_path = folder;
}

void DirListBox::choose(QListWidgetItem *item)
{
    if (item && item->data(kPathRole).toString() != m_path)
        Q_EMIT chosen(item->data(kPathRole).toString());
}

void DirListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        choose(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

FileListBox::FileListBox(QWidget *parent)
    : QListWidget(parent)
{
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemSelectionChanged, this, &FileListBox::selectionMoved);
    connect(this, &QListWidget::currentRowChanged, this, &FileListBox::selectionMoved);
    connect(this, &QListWidget::itemClicked, this, &FileListBox::clicked);
    connect(this, &QListWidget::itemDoubleClicked, this, &FileListBox::DblClick);
}

void FileListBox::setPath(const QString &path)
{
    const QStringList files = listFolder(path, false);
    clear();
    addItems(files);
    m_path = path;
}

void FileListBox::selectionMoved()
{
    const int row = FileName().isEmpty() ? -1 : currentRow();
    if (row == m_announced)
        return;
    m_announced = row;
    m_announcedSincePress = true;
    if (row >= 0)
        Q_EMIT Click();
}

// Only left clicks come here; one that changed the selection was announced already.
void FileListBox::clicked(QListWidgetItem *item)
{
    if (!m_announcedSincePress && item == currentItem() && !FileName().isEmpty())
        Q_EMIT Click();
}

void FileListBox::mousePressEvent(QMouseEvent *event)
{
    m_announcedSincePress = false;
    QListWidget::mousePressEvent(event);
}

QString FileListBox::FileName() const
{
    const QListWidgetItem *item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

// Enter chooses nothing: only OK and a double click paint the banner.
void FileListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}
