#pragma once
// QtTest main that runs under our own application object, so handlers' errors
// reach its error box as in the program.
#include "Application.h"
#include "Globals.h"

#include <QTest>

#define HOTARU_QTEST_MAIN(TestClass)                        \
    int main(int argc, char** argv)                         \
    {                                                       \
        TApplication app(argc, argv);                       \
        app.Title = applicationTitle();                     \
        app.setQuitOnLastWindowClosed(false);               \
        TestClass tc;                                       \
        return QTest::qExec(&tc, argc, argv);               \
    }
