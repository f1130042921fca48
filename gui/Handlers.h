#pragma once

#include "disc/ImageError.h"
#include "gui/SystemServices.h"
#include "language/Failures.h"
#include "platform/InOutError.h"

#include <QObject>
#include <QWidget>

#include <exception>
#include <functional>

namespace gui {

// Runs a handler. An error that escapes it ends the handler and is shown in
// the standard error box; the program runs on. Qt cannot carry exceptions
// through its event loop, so every handler is run this way.
inline void runHandler(SystemServices& services, QWidget* owner, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const hotaru::disc::ImageError& e) {
        services.showError(owner, QString::fromStdString(e.file()) + u'\n' + language::imageText(e));
    } catch (const hotaru::EInOutError& e) {
        services.showError(owner, language::ioText(e.code()));
    } catch (const std::exception& e) {
        services.showError(owner, QString::fromUtf8(e.what()));
    }
}

// Connects `signal` to a member function (or any callable) of `window`, run
// as runHandler does. The signal's arguments are not passed on.
template <typename Sender, typename Signal, typename Window, typename Handler>
QMetaObject::Connection connectHandler(SystemServices& services, Sender* sender, Signal signal, Window* window,
                                       Handler handler)
{
    return QObject::connect(sender, signal, window, [&services, window, handler] {
        runHandler(services, window, [&] { std::invoke(handler, window); });
    });
}

}  // namespace gui
