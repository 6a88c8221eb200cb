// Control identifiers, private messages and fixed texts of the main window and the settings
// window. The end-to-end tests include this header to find controls by their identifiers.
#pragma once

// Main window.
inline constexpr int ID_编辑框1 = 1001;  // keyword box
inline constexpr int ID_按钮1 = 1002;    // search button
inline constexpr int ID_选择框1 = 1003;  // "其他"
inline constexpr int ID_选择框_全部 = 1004;
inline constexpr int ID_透明标签1 = 1005;
inline constexpr int ID_透明标签2 = 1006;  // count label
inline constexpr int ID_标签1 = 1007;
inline constexpr int ID_标签2 = 1008;
inline constexpr int ID_超级列表框1 = 1009;
inline constexpr int ID_超级列表框2 = 1010;
inline constexpr int ID_编辑框2 = 1011;  // off-screen filter box
// Service box of ServiceTable entry n (1..22) is ID_FIRST_SERVICE_BOX + n - 1.
inline constexpr int ID_FIRST_SERVICE_BOX = 1101;

// Items of the context menu 菜单, in menu order.
inline constexpr int ID_打开资源地址 = 2001;
inline constexpr int ID_复制地址 = 2002;
inline constexpr int ID_复制标题 = 2003;
inline constexpr int ID_全部导出 = 2004;

// Settings window.
inline constexpr int ID_SETTINGS_编辑框1 = 3001;
inline constexpr int ID_SETTINGS_按钮1 = 3002;  // "确定"
inline constexpr int ID_SETTINGS_按钮2 = 3003;  // "帮助"
inline constexpr int ID_SETTINGS_按钮3 = 3004;  // "取消"

inline constexpr const wchar_t MAIN_WINDOW_CLASS[] = L"QuorrelMainWindow";
inline constexpr const wchar_t SETTINGS_WINDOW_CLASS[] = L"QuorrelSettingsWindow";
