#pragma once
// QtTest main that runs under the program's own application object.
#include "app/Application.h"

#include <QTest>

#define HOTARU_QTEST_MAIN(TestClass)                                                                                   \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        Application app(argc, argv);                                                                                   \
        app.setQuitOnLastWindowClosed(false);                                                                          \
        TestClass tc;                                                                                                  \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
