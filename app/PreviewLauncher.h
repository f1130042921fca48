#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>

class QAction;
class QListWidget;
class QWidget;

namespace gui {
class SystemServices;
}
namespace dialogs {
class PreviewWindow;
}

namespace app {
class Session;

// ﾌｧｲﾙ > ﾌﾟﾚﾋﾞｭｰ: a preview window for the selected title, read through the
// session's opened archive, taking turns with a run going on. A movie already
// previewed has its window brought forward instead.
class PreviewLauncher : public QObject {
    Q_OBJECT
public:
    PreviewLauncher(gui::SystemServices& services, Session& session, QAction* action, QListWidget* titles,
                    QListWidget* picks, QWidget* window);

    // The open preview of the movie, if any.
    dialogs::PreviewWindow* preview(std::int32_t movie) const;

private:
    // The movie of the selected title (in the list with the focus first); 0 for none.
    std::int32_t selectedMovie() const;
    QString key(std::int32_t movie) const;
    void open();

    gui::SystemServices& services_;
    Session& session_;
    QAction* action_;
    QListWidget* titles_;
    QListWidget* picks_;
    QWidget* window_;
    QHash<QString, QPointer<dialogs::PreviewWindow>> previews_;
};

}  // namespace app
