#pragma once

// Window and control style bits, with their Windows values so that the
// templates read like the resource script they stand in for.
inline constexpr unsigned WS_TABSTOP = 0x00010000;
inline constexpr unsigned WS_GROUP = 0x00020000;
inline constexpr unsigned WS_VSCROLL = 0x00200000;
inline constexpr unsigned WS_BORDER = 0x00800000;
inline constexpr unsigned WS_DISABLED = 0x08000000;

inline constexpr unsigned SS_LEFT = 0x0000;
inline constexpr unsigned CBS_DROPDOWN = 0x0002;
inline constexpr unsigned DTS_UPDOWN = 0x0001;
inline constexpr unsigned DTS_SHORTDATEFORMAT = 0x0000;
inline constexpr unsigned DTS_TIMEFORMAT = 0x0009;
inline constexpr unsigned DTS_RIGHTALIGN = 0x0020;
inline constexpr unsigned LVS_REPORT = 0x0001;
inline constexpr unsigned LVS_SINGLESEL = 0x0004;
inline constexpr unsigned LVS_OWNERDRAWFIXED = 0x0400;

// Column formats, item states, item rectangles and extended styles with the
// list view's values.
inline constexpr int LVCFMT_LEFT = 0;
inline constexpr int LVCFMT_RIGHT = 1;
inline constexpr int LVCFMT_CENTER = 2;
inline constexpr unsigned LVIS_FOCUSED = 0x1;
inline constexpr unsigned LVIS_SELECTED = 0x2;
inline constexpr int LVIR_BOUNDS = 0;
inline constexpr int LVIR_LABEL = 2;
inline constexpr unsigned LVS_EX_GRIDLINES = 0x1;
inline constexpr unsigned LVS_EX_FULLROWSELECT = 0x20;

enum class DialogControlKind { ComboBox, DatePicker, TimePicker, PushButton, ListView, StaticText };

// One control of a dialog template; position and size in dialog units.
struct DialogControlTemplate {
    int nId;
    DialogControlKind kind;
    const char* szText;
    int x;
    int y;
    int cx;
    int cy;
    unsigned dwStyle;
};
