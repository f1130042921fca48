#pragma once
// The one QtTest main. Suites registered with APP (cmake/HotaruTest.cmake) run
// under the program's own application object (its icon, the system's dialogs
// in Japanese), the others under a plain QApplication. As in the program,
// closing the last window quits nothing.
#include <QTest>

#ifdef HOTARU_QTEST_APP
#include "app/Application.h"
using HotaruTestApplication = app::Application;
#else
#include <QApplication>
using HotaruTestApplication = QApplication;
#endif

#define HOTARU_QTEST_MAIN(TestClass)                                                                                   \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        HotaruTestApplication application(argc, argv);                                                                 \
        application.setQuitOnLastWindowClosed(false);                                                                  \
        TestClass tc;                                                                                                  \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
