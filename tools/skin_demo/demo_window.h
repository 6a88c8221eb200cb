// A window skinned exactly as the settings window is: the built-in picture stretched (mode 3),
// accent 0xFF8800, veil 100, not resizable, pulse close effect. It holds a multi-line edit,
// three push buttons and a button that shows a skinned message box.
#pragma once
#include <windows.h>

inline constexpr int DEMO_EDIT_ID = 101;
inline constexpr int DEMO_MESSAGE_ID = 102;  // "消息框": shows a skinned message box
inline constexpr int DEMO_HELP_ID = 103;     // "帮助"
inline constexpr int DEMO_CANCEL_ID = 104;   // "取消": closes
inline constexpr int DEMO_OK_ID = 105;       // "确定": closes

// The skin of the settings window, which both demo windows (and the skinned message-box tests)
// wear: the built-in picture stretched (mode 3), accent 0xFF8800, veil 100.
void applyDemoSkin();

// Creates, skins and shows the demo window (SkinStartup must have run). Returns it, or null.
// `activate` false shows it without taking the activation (for tests that make many).
HWND createDemoWindow(bool activate = true);

// The gallery: a larger skinned window with every kind of control the skin paints: check boxes,
// radio buttons, combo boxes (a drop-down list and an editable one), a list box, a list view
// with its header, a trackbar, a progress bar, an edit with an up-down control, a toolbar, a tab
// control with two pages (the first holds controls of its own), and push buttons.
inline constexpr int GALLERY_CHECK_ID = 201;
inline constexpr int GALLERY_RADIO_ID = 202;
inline constexpr int GALLERY_COMBO_LIST_ID = 203;
inline constexpr int GALLERY_COMBO_EDIT_ID = 204;
inline constexpr int GALLERY_LIST_ID = 205;
inline constexpr int GALLERY_LISTVIEW_ID = 206;
inline constexpr int GALLERY_TRACKBAR_ID = 207;
inline constexpr int GALLERY_PROGRESS_ID = 208;
inline constexpr int GALLERY_UPDOWN_EDIT_ID = 209;
inline constexpr int GALLERY_UPDOWN_ID = 210;
inline constexpr int GALLERY_TOOLBAR_ID = 211;
inline constexpr int GALLERY_TAB_ID = 212;
inline constexpr int GALLERY_PAGE1_ID = 213;
inline constexpr int GALLERY_PAGE2_ID = 214;
inline constexpr int GALLERY_OK_ID = 215;
inline constexpr int GALLERY_PAGE_CHECK_ID = 216;
inline constexpr int GALLERY_PAGE_BUTTON_ID = 217;
HWND createGalleryWindow(bool activate = true);
