#pragma once
// Helpers for the dialog suites: answering the dialogs' hooks, putting the
// current directory back, and acting inside a modal dialog.

#include "DialogSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

// Records what the dialogs ask and answers file questions from a queue
// (cancel when empty); puts the program's hooks back afterwards.
struct HookScope {
    std::vector<QString> messages;
    std::vector<QString> errors;
    std::deque<std::optional<QString>> files;
    std::vector<dialogs::FileQuery> queries;
    std::vector<QString> hints;

    HookScope() : saved_(dialogs::hooks())
    {
        dialogs::Hooks& h = dialogs::hooks();
        h.message = [this](QWidget*, const QString& text) { messages.push_back(text); };
        h.showError = [this](const std::exception& e) { errors.push_back(QString::fromUtf8(e.what())); };
        h.setHint = [this](const QString& hint) { hints.push_back(hint); };
        h.openFile = [this](QWidget*, const dialogs::FileQuery& q) -> std::optional<QString> {
            queries.push_back(q);
            return takeFileAnswer(files);
        };
    }
    ~HookScope() { dialogs::hooks() = saved_; }
    HookScope(const HookScope&) = delete;
    HookScope& operator=(const HookScope&) = delete;

private:
    dialogs::Hooks saved_;
};

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
