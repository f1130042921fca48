#include "app/PickControls.h"

#include "app/ChoiceList.h"
#include "app/PickListRules.h"
#include "catalogue/Catalogue.h"

#include <QPushButton>

namespace {

QString titleOf(std::int32_t disc, std::int32_t movie)
{
    const std::string_view title = hotaru::movieTitle(disc, movie);
    return QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
}

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

}  // namespace

void PickControls::show(const PickListRules& rules) const
{
    const std::int32_t disc = rules.disc();
    QStringList titleRows;
    for (std::int32_t n = 1; n <= rules.titleCount(); ++n)
        titleRows << titleOf(disc, n);
    QStringList pickRows;
    for (const std::int32_t n : rules.picks().live())
        pickRows << titleOf(disc, n);
    showRows(titles, titleRows);
    showRows(picks, pickRows);

    const PickView& view = rules.view();
    selectRow(titles, view.titleRow);
    selectRow(picks, view.pickRow);
    add->setEnabled(view.add);
    remove->setEnabled(view.remove);
    run->setEnabled(view.run);
    selectAll->setEnabled(view.selectAll);
    clearAll->setEnabled(view.clearAll);
    titles->setEnabled(view.listsEnabled);
    picks->setEnabled(view.listsEnabled);
}
