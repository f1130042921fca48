#include "app/PickControls.h"

#include "app/ChoiceList.h"
#include "app/PickListRules.h"
#include "catalogue/Catalogue.h"
#include "gui/Utf8.h"

#include <QPushButton>

namespace app {
namespace {

// Rebuilds `list` only where it differs from `titles`, so rows that stay keep their state.
void showRows(ChoiceList* list, const QStringList& titles)
{
    bool same = list->count() == titles.size();
    for (int i = 0; same && i < titles.size(); ++i)
        same = list->item(i)->text() == titles[i];
    if (same)
        return;
    list->clear();
    list->addItems(titles);
}

// Qt hands the focus of a control it disables to the next one in the tab
// chain, which after "実行" is "終了": a Space meant for one would end the
// program. A disabled control lets go of the focus instead, to nobody.
void enable(QWidget* control, bool on)
{
    if (!on && control->hasFocus())
        control->clearFocus();
    control->setEnabled(on);
}

}  // namespace

void PickControls::show(const PickListRules& rules) const
{
    const std::int32_t disc = rules.disc();
    QStringList titleRows;
    for (std::int32_t n = 1; n <= rules.titleCount(); ++n)
        titleRows << language::movieTitle(language, disc, n);
    QStringList pickRows;
    for (const std::int32_t n : rules.picks().live())
        pickRows << language::movieTitle(language, disc, n);
    showRows(titles, titleRows);
    showRows(picks, pickRows);

    const PickView& view = rules.view();
    selectRow(titles, view.titleRow);
    selectRow(picks, view.pickRow);
    enable(add, view.add);
    enable(remove, view.remove);
    enable(run, view.run);
    enable(selectAll, view.selectAll);
    enable(clearAll, view.clearAll);
    enable(titles, view.listsEnabled);
    enable(picks, view.listsEnabled);
    // The lists are off only while a run holds the picks. Then whatever
    // activates the window with nothing focused would hand the focus to
    // "終了", and one Space would end the program: it is still clicked or
    // reached by the menu, never focused.
    const bool running = !view.listsEnabled;
    if (running && exit->hasFocus())
        exit->clearFocus();
    exit->setFocusPolicy(running ? Qt::NoFocus : Qt::StrongFocus);
}

}  // namespace app
