#pragma once

#include <QObject>

#include <array>
#include <cstdint>

class QAction;
class QMainWindow;
class QMenu;

// The main window's menu bar: ﾌｧｲﾙ, ｵﾌﾟｼｮﾝ with the voices, ﾍﾙﾌﾟ. Items keep
// their layout names as objectNames and carry their hints as status tips.
class MainMenu : public QObject {
    Q_OBJECT
public:
    explicit MainMenu(QMainWindow* window);

    QAction* openAction() const { return open_; }
    QAction* outputFolderAction() const { return outputFolder_; }
    QAction* exitAction() const { return exit_; }
    // A check item whose mark only the program sets (see setAviOutputMark).
    QAction* aviOutputAction() const { return aviOutput_; }
    QAction* voiceAction(std::int32_t voice) const { return voices_.at(static_cast<std::size_t>(voice)); }
    QAction* aboutAction() const { return about_; }

    void setAviOutputMark(bool on);
    // Marks the voice's item and clears the others: marking one does not by itself.
    void setVoiceMark(std::int32_t voice);

Q_SIGNALS:
    // The hint of the highlighted item; empty when a menu closes.
    void hintChanged(const QString& hint);
    void aviOutputChosen();
    void voiceChosen(std::int32_t voice);

private:
    QAction* open_;
    QAction* outputFolder_;
    QAction* exit_;
    QAction* aviOutput_;
    std::array<QAction*, 3> voices_{};
    QAction* about_;
};
