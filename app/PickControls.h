#pragma once

#include "language/Language.h"

class QPushButton;

namespace app {
class ChoiceList;
class PickListRules;

// The widgets of the pick list: the two lists and the buttons that change
// the picks. show() makes them what the rules say, as the program's own
// changes: no list announces a selection it did not get from the user.
struct PickControls {
    ChoiceList* titles = nullptr;
    ChoiceList* picks = nullptr;
    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;
    QPushButton* run = nullptr;
    QPushButton* selectAll = nullptr;
    QPushButton* clearAll = nullptr;
    QPushButton* exit = nullptr;  // not a pick control, but kept from the focus during a run
    language::Language language = language::Language::Japanese;  // of the titles listed

    void show(const PickListRules& rules) const;
};

}  // namespace app
