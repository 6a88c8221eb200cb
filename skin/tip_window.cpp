#include "skin/tip_window.h"

#include <commctrl.h>

#include "text/encoding.h"

namespace {

// The first-version wide tool record (no application value), flags TTF_SUBCLASS so the tooltip
// follows the owner's mouse messages itself. Fields not named stay 0.
TTTOOLINFOW toolRecord(HWND owner, int id) {
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = UINT_PTR(id);
    return tool;
}

}  // namespace

HWND TipWindow::Create(HWND ownerWindow, bool balloon) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    owner = ownerWindow;
    DWORD style = TTS_ALWAYSTIP | (balloon ? TTS_BALLOON : 0);
    // Owned by `owner` (not a child): it still floats above everything, and the system destroys
    // it with the owner, since this wrapper never destroys it.
    tip = CreateWindowExW(0, TOOLTIPS_CLASSW, L"", style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                          owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (tip) SetMaxWidth(MAX_TIP_WIDTH);
    return tip;
}

bool TipWindow::AddTool(RECT& rect, bool rectGiven, std::string_view textGbk, int id) {
    if (!rectGiven) GetClientRect(owner, &rect);
    TTTOOLINFOW tool = toolRecord(owner, id);
    tool.rect = rect;
    std::wstring text = gbkToWide(textGbk);
    tool.lpszText = text.data();
    return SendMessageW(tip, TTM_ADDTOOLW, 0, LPARAM(&tool)) != 0;
}

bool TipWindow::AddCallbackTool(const RECT& rect, int id) {
    TTTOOLINFOW tool = toolRecord(owner, id);
    tool.rect = rect;
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    return SendMessageW(tip, TTM_ADDTOOLW, 0, LPARAM(&tool)) != 0;
}

void TipWindow::SetBackColor(COLORREF colour) {
    SendMessageW(tip, TTM_SETTIPBKCOLOR, WPARAM(colour), 0);
}

void TipWindow::SetTextColor(COLORREF colour) {
    SendMessageW(tip, TTM_SETTIPTEXTCOLOR, WPARAM(colour), 0);
}

void TipWindow::SetMaxWidth(int width) {
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, LPARAM(width));
}

void TipWindow::RemoveTool(int id) {
    TTTOOLINFOW tool = toolRecord(owner, id);
    SendMessageW(tip, TTM_DELTOOLW, 0, LPARAM(&tool));
}

int TipWindow::ToolCount() const {
    return tip ? int(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0)) : 0;
}

void TipWindow::SetToolRect(int id, const RECT& rect) {
    TTTOOLINFOW tool = toolRecord(owner, id);
    tool.rect = rect;
    SendMessageW(tip, TTM_NEWTOOLRECTW, 0, LPARAM(&tool));
}

void TipWindow::SetToolText(int id, std::string_view textGbk) {
    TTTOOLINFOW tool = toolRecord(owner, id);
    std::wstring text = gbkToWide(textGbk);
    tool.lpszText = text.data();
    SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, LPARAM(&tool));
}
