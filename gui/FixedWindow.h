#pragma once

#include "gui/WindowLayout.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLatin1String>
#include <QShowEvent>
#include <QString>
#include <QWidget>

#include <functional>
#include <utility>
#include <vector>

class QPushButton;

namespace gui {

enum class Placement {
    AsDesigned,  // where its layout puts it
    Centred,     // centred on the screen each time it is shown
};

// What every window of the program's fixed layout sets up alike: its layout
// name as objectName, its caption, the 12 px face, its frame, where it opens,
// and, for the dialogs, Enter and Escape pressing no button but the default.
struct WindowLook {
    const char* name;
    QString title;
    Qt::WindowFlags flags;
    Placement placement = Placement::AsDesigned;
    bool dialogKeys = true;
};

template <class Base>
class FixedWindow : public Base {
public:
    explicit FixedWindow(const WindowLook& look, QWidget* parent = nullptr)
        : Base(parent), placement_(look.placement), dialogKeys_(look.dialogKeys)
    {
        this->setObjectName(QLatin1String(look.name));
        this->setWindowTitle(look.title);
        this->setFont(uiFont(12));
        this->setWindowFlags(look.flags);
    }

protected:
    // Sets texts now, and again in the new language whenever it changes:
    // `apply` words them with tr().
    void word(std::function<void()> apply)
    {
        apply();
        wording_.push_back(std::move(apply));
    }
    void changeEvent(QEvent* e) override
    {
        if (e->type() == QEvent::LanguageChange) {
            for (const std::function<void()>& apply : wording_)
                apply();
        }
        Base::changeEvent(e);
    }

    // Enter clicks it; none: Enter and Escape press nothing.
    void setDefaultButton(QPushButton* button) { defaultButton_ = button; }

    void keyPressEvent(QKeyEvent* e) override
    {
        if (!dialogKeys_ || !dialogKey(e, defaultButton_))
            Base::keyPressEvent(e);
    }
    void showEvent(QShowEvent* e) override
    {
        Base::showEvent(e);
        if (placement_ == Placement::Centred && !e->spontaneous())
            centreOnScreen(this);
    }

private:
    Placement placement_;
    bool dialogKeys_;
    QPushButton* defaultButton_ = nullptr;
    std::vector<std::function<void()>> wording_;
};

}  // namespace gui
