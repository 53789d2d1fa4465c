#include "search_page/SearchPageLayout.h"

#include "platform/ui/AnchoredLayout.h"
#include "platform/ui/CPropertyPage.h"
#include "res/Resource.h"
#include "search_page/MyListCtrl.h"
#include "search_page/TimelineStrip.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>
#include <memory>

namespace {

// The rows a list too small for its template still shows.
constexpr int kLeastRows = 3;

} // namespace

int SearchPageLayout::ColumnWidth(int column, int listWidth, bool withCamera)
{
    if (withCamera) {
        // Of 20, with room left for a vertical scroll bar.
        static constexpr int kShares[] = {7, 5, 3, 4};
        return column >= 0 && column < 4 ? kShares[column] * listWidth / 20 : 0;
    }
    switch (column) {
    case 0:
        return 99 * listWidth / 200;
    case 1:
        return 5 * listWidth / 20;
    case 2:
        return 5 * listWidth / 20 - 1;
    default:
        return 0;
    }
}

void SearchPageLayout::InsertColumns(MyListCtrl& list, const std::string (&headings)[3], const std::string& camera)
{
    const int width = list.width();
    const bool withCamera = !camera.empty();
    for (int column = 0; column < 3; ++column)
        list.InsertColumn(column, headings[column], LVCFMT_LEFT, ColumnWidth(column, width, withCamera));
    list.InsertColumn(3, camera, LVCFMT_LEFT, ColumnWidth(3, width, withCamera));
}

void SearchPageLayout::Install(CPropertyPage& page)
{
    auto* list = qobject_cast<MyListCtrl*>(page.GetDlgItem(IDC_FILE_LIST));
    if (!list)
        return;
    // Smaller than its template, the list gives up its height, down to a few
    // rows; below that the sheet scrolls the page rather than let controls
    // overlap. Its width stays: the controls above it need the template's.
    const int leastList = list->horizontalHeader()->sizeHint().height() + kLeastRows * list->RowHeight() +
                          list->horizontalScrollBar()->sizeHint().height() + 2 * list->frameWidth();
    page.setMinimumSize(page.sizeHint() - QSize(0, std::max(0, list->height() - leastList)));
    const QSize reference = page.sizeHint();
    auto* layout = new AnchoredLayout(&page, reference);
    layout->Anchor(list, AnchoredLayout::kAllEdges);
    for (int id : {IDC_PLAYBACK, IDC_DELETE, IDC_EXPLORE, IDC_UNDO})
        if (QWidget* button = page.GetDlgItem(id))
            layout->Anchor(button, AnchoredLayout::Right | AnchoredLayout::Bottom);
    // Columns are sized again only when the list's width changes, so that a
    // column the user has widened keeps its width while only the height changes.
    auto sizedFor = std::make_shared<int>(list->width());
    auto* timeline = page.findChild<TimelineStrip*>(QString::number(IDC_TIMELINE), Qt::FindDirectChildrenOnly);
    layout->OnPlaced([&page, list, sizedFor, timeline, reference] {
        if (timeline)
            timeline->Place(page.height() - reference.height());
        if (list->width() == *sizedFor)
            return;
        *sizedFor = list->width();
        // The empty column 3 is left out of the view; a camera column is not.
        const bool withCamera = list->horizontalHeader()->count() > 3;
        for (int column = 0; column < (withCamera ? 4 : 3); ++column)
            list->setColumnWidth(column, ColumnWidth(column, list->width(), withCamera));
    });
}
