#include "TestMain.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtDialogHost.h"
#include "platform/qt/QtWindowMover.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

// The toolkit's side of the services the commands' tests answer with doubles.
class tst_QtPlatform : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void clipboardClears();
    void filtersListEachPattern();
    void fontChoiceRoundTrips();
    void moveKeepsThePointerInsideTheWorkArea();
    void cancelledFileBoxGivesNothing();
};

void tst_QtPlatform::clipboardClears()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("the user's own"));
    QtClipboard().clear();
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
}

void tst_QtPlatform::filtersListEachPattern()
{
    QCOMPARE(QtDialogHost::nameFilters(QStringLiteral("BMP |*.bmp|All|*.bmp;*.gif;*.jpg|stray")),
             QStringList({QStringLiteral("BMP (*.bmp)"), QStringLiteral("All (*.bmp *.gif *.jpg)")}));
    QCOMPARE(QtDialogHost::displayText(QStringLiteral("a\r\nb\rc")), QStringLiteral("a\nb\nc"));
}

void tst_QtPlatform::fontChoiceRoundTrips()
{
    const FontChoice choice{QStringLiteral("DejaVu Serif"), 14.25f, true, true, true, true};
    QCOMPARE(QtDialogHost::fromQFont(QtDialogHost::toQFont(choice, QFont())), choice);
    const FontChoice plain{QStringLiteral("DejaVu Sans"), 1.0f, false, false, false, false};
    QCOMPARE(QtDialogHost::fromQFont(QtDialogHost::toQFont(plain, QtDialogHost::toQFont(choice, QFont()))), plain);
}

// However far the pointer goes, the window follows it only to the edge of
// the area that holds it.
void tst_QtPlatform::moveKeepsThePointerInsideTheWorkArea()
{
    QWidget area;
    area.resize(300, 200);
    auto *window = new QWidget(&area);
    window->setGeometry(100, 80, 40, 20);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    const QPoint grip = area.mapToGlobal(QPoint(110, 90));
    QCursor::setPos(grip);
    const QPoint far = area.mapToGlobal(QPoint(-500, -500));
    const auto dragFar = [window, far](bool escape) {
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(10, 10));
        QCoreApplication::processEvents(); // the press's own events, before the move begins
        // Sent from inside the move's own event loop, as a user's hand would.
        QTimer::singleShot(0, window, [window, far, escape] {
            QMouseEvent move(QEvent::MouseMove, QPointF(0, 0), QPointF(far), Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(window, &move);
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(0, 0), QPointF(far), Qt::LeftButton, {}, {});
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, {});
            QApplication::sendEvent(window, escape ? static_cast<QEvent *>(&key) : &release);
        });
        QtWindowMover().moveWindow(window);
    };
    dragFar(false);
    // The pointer stopped at the area's top-left corner, 110 and 90 from where it gripped.
    QCOMPARE(window->pos(), QPoint(100 - 110, 80 - 90));
    dragFar(true); // Esc during a move puts the window back where the move began
    QCOMPARE(window->pos(), QPoint(100 - 110, 80 - 90));
}

void tst_QtPlatform::cancelledFileBoxGivesNothing()
{
    QTimer closer;
    QFileDialog::FileMode mode = QFileDialog::Directory;
    QString suffix;
    QObject::connect(&closer, &QTimer::timeout, [&mode, &suffix] {
        if (auto *box = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            mode = box->fileMode();
            suffix = box->defaultSuffix();
            box->close();
        }
    });
    closer.start(10);
    QtDialogHost host;
    const FileDialogRequest request{QStringLiteral("All|*.*"), QStringLiteral("gif"),
                                    QDir::temp().filePath(QStringLiteral("x"))};
    QVERIFY(!host.getOpenFileName(request));
    QCOMPARE(mode, QFileDialog::ExistingFile); // a file to open must exist
    QVERIFY(!host.getSaveFileName(request));
    QCOMPARE(suffix, QStringLiteral("gif")); // a name typed without one is saved with it
}

TARVELLO_TEST_MAIN(tst_QtPlatform)
#include "tst_QtPlatform.moc"
