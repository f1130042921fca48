#pragma once
// What the four dialogs share: their face, placing controls by the layout,
// and the few things they ask of the program around them.

#include <QFont>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <optional>

class QKeyEvent;
class QLabel;
class QPushButton;
class QWidget;

namespace dialogs {

// "ＭＳ Ｐゴシック", or a CJK gothic of the system where that is missing.
QFont uiFont(int pixels, bool bold = false);

template <typename W>
W* place(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(left, top, width, height);
    return w;
}

// A label sized to its text (never narrower than the layout's width), as
// auto-sized labels are, so a wider fallback face does not clip it.
QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height,
              int pixels, bool bold);
// A button that is nobody's default: Enter does not press it unless it has the focus.
QPushButton* button(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height);

// A caption as the layout writes it: "&&" shows one ampersand, a lone "&" none.
QString accelText(const QString& caption);

// Enter and Escape where no button is the cancel button: Escape presses
// nothing, Enter only `defaultButton` when there is one. Returns false for
// any other key.
bool dialogKey(QKeyEvent* e, QPushButton* defaultButton = nullptr);

// Puts a window's frame in the middle of its screen.
void centreOnScreen(QWidget* window);

// Makes a hidden window visible and brings it to the front; a visible one is only brought forward.
void showModeless(QWidget* window);

// What a file-open dialog lists and where it starts.
struct FileQuery {
    QString filterName;
    QStringList fileNames;
    QString initialName;
    QString initialFolder;
};

// The program fills these in when it joins the dialogs to the main window,
// so messages and errors look like the rest of the program and tests can
// answer in place of the user. Left empty, a dialog does without.
struct Hooks {
    // A plain message with one OK button, captioned with the application's title.
    std::function<void(QWidget* owner, const QString& text)> message;
    // The chosen file's full path, or nothing when cancelled.
    std::function<std::optional<QString>(QWidget* owner, const FileQuery& query)> openFile;
    // The standard error box for an error that ended a handler.
    std::function<void(const std::exception& error)> showError;
    // The application's current hint text (the status line of the main window).
    std::function<void(const QString& hint)> setHint;
};

Hooks& hooks();

// Runs a handler; an escaping error ends it and goes to the standard error box.
void runHandler(const std::function<void()>& handler);

}  // namespace dialogs
