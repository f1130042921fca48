#pragma once
// Helpers for the dialog suites: finding a dialog's controls by their layout
// names, putting the current directory back, acting inside a modal dialog,
// and a QtTest main for suites that need no main window.

#include "FakeSystemServices.h"
#include "QtTestMain.h"

#include <QApplication>
#include <QDir>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// The control of `window` with the layout name `name`; a missing one stops
// the suite, as every check after it would be meaningless.
template <typename W = QWidget>
W* control(const QWidget& window, const char* name)
{
    W* w = window.findChild<W*>(QString::fromLatin1(name));
    if (!w)
        qFatal("%s has no %s named %s", qPrintable(window.objectName()), W::staticMetaObject.className(), name);
    return w;
}

// Puts the current directory back; declare it after the temporary folders
// so it runs before they are removed.
struct CwdGuard {
    QString saved = QDir::currentPath();
    ~CwdGuard() { QDir::setCurrent(saved); }
};

// Runs `act` once `window` is up in its modal loop, then closes it if `act` did not.
inline void whileModal(QWidget* window, std::function<void()> act)
{
    QTimer::singleShot(0, window, [window, act] {
        act();
        if (window->isVisible())
            window->close();
    });
}

inline QString here() { return QDir::currentPath(); }

// True when exactly one box was shown and it is the standard error box:
// the message with a full stop, the program's title, OK and the stop icon.
inline bool showedOneErrorBox(const FakeSystemServices& services)
{
    if (services.boxes.size() != 1)
        return false;
    const ShownBox& b = services.boxes[0];
    return b.caption == QStringLiteral("ホタル奇譚ムービーカッター") && b.buttons == gui::BoxButtons::Ok &&
           b.icon == gui::BoxIcon::Stop && (b.text.endsWith(u'.') || b.text.endsWith(u'。'));
}

#define HOTARU_DIALOG_TEST_MAIN(TestClass) HOTARU_QTEST_MAIN(TestClass)
