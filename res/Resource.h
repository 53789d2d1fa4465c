#pragma once

// Identifiers of the dialog templates, their controls and the string table.
// Controls are found by these numbers: each control's object name is its
// identifier in decimal.

inline constexpr int IDD_SEARCH_PAGE = 107;

inline constexpr int IDC_GB_SEARCHING_FILES = 1000;
inline constexpr int IDC_START_DATE = 1005;
inline constexpr int IDC_START_TIME = 1006;
inline constexpr int IDC_END_DATE = 1010;
inline constexpr int IDC_END_TIME = 1011;
inline constexpr int IDC_SEARCH = 1013;
inline constexpr int IDC_PLAYBACK = 1015;
inline constexpr int IDC_DELETE = 1016;
inline constexpr int IDC_EXPLORE = 1017;
inline constexpr int IDC_FILE_LIST = 1018;
inline constexpr int IDC_S_FILE_TYPE = 1019;
inline constexpr int IDC_CATEGORY = 1020;
inline constexpr int IDC_S_START = 1021;
inline constexpr int IDC_S_END = 1022;
inline constexpr int IDC_SHOW_ALL = 1023;
inline constexpr int IDC_UNDO = 1024;
// Made by the search page itself, not by its template: a running search's
// progress and its Cancel button.
inline constexpr int IDC_SEARCH_PROGRESS = 1026;
inline constexpr int IDC_CANCEL_SEARCH = 1027;
// What the last search found, in the same place once it has ended.
inline constexpr int IDC_SEARCH_SUMMARY = 1028;
// The recordings on a time axis above the list, in a window taller than the
// template.
inline constexpr int IDC_TIMELINE = 1029;
// The placeholder page's way to a Viewdeck.ini.
inline constexpr int IDC_CHOOSE_VIEWER_INI = 1040;

inline constexpr unsigned IDS_START_AFTER_END = 1;

// The private message by which a new copy recognises the running copy's sheet:
// a sheet that answers it with the same number belongs to a running copy.
inline constexpr unsigned WM_INSTANCE_QUERY = 0x529;
