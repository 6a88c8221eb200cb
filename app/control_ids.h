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
// Behind a separator after those four: what the share link of the selected row is good for.
inline constexpr int ID_复制链接和提取码 = 2005;
inline constexpr int ID_打开链接带提取码 = 2006;
// Link checks, with today's list after the share link's items.
inline constexpr int ID_检查链接 = 2007;      // the selected row, or every row when none is
inline constexpr int ID_隐藏失效链接 = 2008;  // a ticked toggle
inline constexpr int ID_菜单_设置 = 2020;  // "设置…", last, behind a separator of its own
// "设置…" in the main window's system menu: a WM_SYSCOMMAND code (a multiple of 16 below 0xF000).
inline constexpr int ID_SYSTEM_设置 = 0x0110;

// Settings window.
inline constexpr int ID_SETTINGS_编辑框1 = 3001;
inline constexpr int ID_SETTINGS_按钮1 = 3002;  // "确定"
inline constexpr int ID_SETTINGS_按钮2 = 3003;  // "帮助"
inline constexpr int ID_SETTINGS_按钮3 = 3004;  // "取消"
// Only in the full settings window ("设置…"), below the extra sites.
inline constexpr int ID_SETTINGS_网盘列表 = 3005;  // combo box: the service list
inline constexpr int ID_SETTINGS_搜索方式 = 3006;  // combo box: the engine profile
inline constexpr int ID_SETTINGS_合并重复链接 = 3007;
inline constexpr int ID_SETTINGS_检查链接 = 3008;  // 搜索时检查链接
inline constexpr int ID_SETTINGS_标签1 = 3009;
inline constexpr int ID_SETTINGS_标签2 = 3010;
inline constexpr int ID_SETTINGS_搜索范围 = 3011;  // combo box: 站内 (site:) or 提及 (mentions)
inline constexpr int ID_SETTINGS_标签3 = 3012;

inline constexpr const wchar_t MAIN_WINDOW_CLASS[] = L"QuorrelMainWindow";
inline constexpr const wchar_t SETTINGS_WINDOW_CLASS[] = L"QuorrelSettingsWindow";
