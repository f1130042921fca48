#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

// The application object: its title, the one current hint text, and the
// standard error box for anything a handler lets escape.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    QString Title;
    const QString& Hint() const { return hint_; }
    // Notifies OnHint only when the text actually changes.
    void SetHint(const QString& text);

    // Shows the error's text and a full stop, captioned with the title, stop icon.
    void ShowException(const std::exception& e);
    void ShowException(const QString& message);

    bool notify(QObject* receiver, QEvent* event) override;

Q_SIGNALS:
    void OnHint(const QString& hint);

private:
    QString hint_;
};

extern TApplication* Application;

// Runs a handler; an escaping exception ends it and is shown by the error box.
void guarded(const std::function<void()>& handler);

// Connects a signal to a handler that runs guarded.
template <typename Sender, typename Signal, typename Receiver, typename Slot>
void connectHandler(Sender* sender, Signal signal, Receiver* receiver, Slot slot)
{
    QObject::connect(sender, signal, receiver, [receiver, slot] { guarded([&] { (receiver->*slot)(); }); });
}
