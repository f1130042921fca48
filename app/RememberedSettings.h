#pragma once

#include <QObject>

#include <memory>

class QSettings;

namespace app {
class Session;

// What the user chose stays for the next start: the voice, the language,
// the output folder, the converter and the output switches. Nothing is stored until the user
// changes something, so a first start is exactly the program's initial state.
class RememberedSettings : public QObject {
    Q_OBJECT
public:
    // The user's own store: on Linux ~/.config/hotaru-movie-cutter/
    // hotaru-movie-cutter.conf, on Windows the registry under
    // HKEY_CURRENT_USER\Software\hotaru-movie-cutter.
    static std::unique_ptr<QSettings> userStore();

    // Takes `store` over and puts what it holds into `session`, then writes
    // every later change of the session back.
    RememberedSettings(std::unique_ptr<QSettings> store, Session& session);
    ~RememberedSettings() override;

private:
    void restore();
    void save();

    std::unique_ptr<QSettings> store_;
    Session& session_;
};

}  // namespace app
