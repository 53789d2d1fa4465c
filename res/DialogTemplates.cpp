#include "res/DialogTemplates.h"

#include "res/Resource.h"

namespace {

using enum DialogControlKind;

constexpr DialogControlTemplate kSearchPageControls[] = {
    {IDC_CATEGORY, ComboBox, "", 131, 7, 88, 56, CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP},
    {IDC_START_DATE, DatePicker, "", 131, 35, 88, 15, DTS_SHORTDATEFORMAT | DTS_RIGHTALIGN | WS_TABSTOP},
    {IDC_START_TIME, TimePicker, "", 243, 35, 88, 15, DTS_TIMEFORMAT | DTS_RIGHTALIGN | WS_TABSTOP},
    {IDC_END_DATE, DatePicker, "", 131, 53, 88, 15, DTS_SHORTDATEFORMAT | DTS_RIGHTALIGN | WS_TABSTOP},
    {IDC_END_TIME, TimePicker, "", 243, 53, 88, 15, DTS_TIMEFORMAT | DTS_RIGHTALIGN | WS_TABSTOP},
    {IDC_SEARCH, PushButton, "Search", 226, 76, 50, 14, WS_TABSTOP},
    {IDC_SHOW_ALL, PushButton, "Show All Files", 285, 76, 65, 14, WS_TABSTOP},
    {IDC_FILE_LIST, ListView, "", 7, 93, 343, 217,
     LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDRAWFIXED | WS_BORDER | WS_TABSTOP},
    {IDC_PLAYBACK, PushButton, "Playback", 186, 321, 50, 14, WS_TABSTOP},
    {IDC_DELETE, PushButton, "Delete", 243, 321, 50, 14, WS_TABSTOP},
    {IDC_EXPLORE, PushButton, "Explore", 300, 321, 50, 14, WS_TABSTOP},
    // Shown only while a delete to the trash can be undone, in space the
    // layout leaves free, so that nothing moves when it appears.
    {IDC_UNDO, PushButton, "Undo", 129, 321, 50, 14, WS_TABSTOP},
    {IDC_S_FILE_TYPE, StaticText, "Recorded File Catagory", 7, 7, 109, 8, SS_LEFT | WS_GROUP},
    {IDC_GB_SEARCHING_FILES, StaticText, "Searching Recorded Video Files", 7, 26, 335, 8, SS_LEFT | WS_GROUP},
    {IDC_S_START, StaticText, "Start Date/Time", 25, 41, 75, 8, SS_LEFT | WS_GROUP},
    {IDC_S_END, StaticText, "End Date/Time", 25, 55, 75, 8, SS_LEFT | WS_GROUP},
};

constexpr DialogTemplate kSearchPage = {IDD_SEARCH_PAGE, 357, 342, "PropertyPage", kSearchPageControls};

} // namespace

const DialogTemplate& SearchPageTemplate()
{
    return kSearchPage;
}
