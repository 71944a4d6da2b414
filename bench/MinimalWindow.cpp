// The yardstick for the start-up benchmark on a real display: the least a Qt 6
// program needs to show the same kind of window as Tarvello: a main window with
// a work area, a menu bar, a seven-button toolbar, a status bar and a 468 x 60
// child in the work area.
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    auto *area = new QMdiArea;
    window.setCentralWidget(area);
    for (const char *name : {"File", "Edit", "Help"})
        window.menuBar()->addMenu(QLatin1String(name))->addAction(QStringLiteral("Item"));
    QToolBar *toolbar = window.addToolBar(QStringLiteral("Tools"));
    for (int i = 1; i <= 7; ++i)
        toolbar->addAction(QString::number(i));
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    auto *child = new QWidget;
    child->setFixedSize(468, 60);
    child->setAutoFillBackground(true);
    area->addSubWindow(child, Qt::FramelessWindowHint)->show();
    window.resize(676, 448);
    window.show();
    return QApplication::exec();
}
