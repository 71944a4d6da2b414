#pragma once

#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QTest>

// A test main that pins what would make results depend on the machine: the
// platform, the locale and the default font.
#define TARVELLO_TEST_MAIN(TestClass)                                                                                  \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                                       \
        QApplication app(argc, argv);                                                                                  \
        QLocale::setDefault(QLocale::c());                                                                             \
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));                                                \
        TestClass test;                                                                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
