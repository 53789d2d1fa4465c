#pragma once

#include <string>

class CPropertyPage;
class MyListCtrl;

// How the search page's controls follow a page larger than its template:
// the result list takes the room, its columns keep their shares of its width
// and the action buttons keep to the bottom right, while the controls above
// the list stay where they are. At the template's size nothing moves; below
// it the list gives up its height first (the page's minimumSize). A timeline
// strip among the page's controls takes the list's top once the page is
// taller than the template by the strip's height.
class SearchPageLayout {
public:
    // The width of column 0, 1 or 2 of a list whose outer width is listWidth;
    // the empty column 3 has none. withCamera: of a list whose column 3 names
    // each row's camera, which takes a share of its own.
    static int ColumnWidth(int column, int listWidth, bool withCamera = false);
    // The three headed columns, sized from the list's outer width as the
    // template made it, and the fourth: empty, or headed camera for a page
    // of several devices.
    static void InsertColumns(MyListCtrl& list, const std::string (&headings)[3], const std::string& camera = {});
    // Once the page's controls and the list's columns exist.
    static void Install(CPropertyPage& page);
};
