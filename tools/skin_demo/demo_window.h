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

// Creates, skins and shows the demo window (SkinStartup must have run). Returns it, or null.
// `activate` false shows it without taking the activation (for tests that make many).
HWND createDemoWindow(bool activate = true);
