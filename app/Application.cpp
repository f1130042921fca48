#include "Application.h"

#include "InOutError.h"
#include "Prompts.h"

TApplication* Application = nullptr;

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    Application = this;
}

TApplication::~TApplication()
{
    if (Application == this)
        Application = nullptr;
}

void TApplication::SetHint(const QString& text)
{
    if (text == hint_)
        return;
    hint_ = text;
    Q_EMIT OnHint(hint_);
}

void TApplication::ShowException(const QString& message)
{
    prompts::current().messageBox(activeWindow(), QString::fromStdString(hotaru::withFullStop(message.toStdString())),
                                  Title, prompts::MB_OK | prompts::MB_ICONSTOP);
}

void TApplication::ShowException(const std::exception& e)
{
    ShowException(QString::fromUtf8(e.what()));
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e);
    }
    return false;
}

void guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        if (Application)
            Application->ShowException(e);
    }
}
