// TipWindow: a thin wrapper over one system tooltip window whose tools are rectangles of one
// owner window. Texts are GBK; they reach the control as UTF-16 (code page 936) through the
// wide messages, so they read right on every system locale.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

class TipWindow {
public:
    // Creates the tooltip ("tooltips_class32", TTS_ALWAYSTIP, plus TTS_BALLOON when asked) owned
    // by `owner`, so it goes away with the owner; sets the maximum width to 600. Returns it.
    HWND Create(HWND owner, bool balloon);
    // When rectGiven is false, `rect` becomes the owner's client rectangle first (the caller
    // sees it). Adds tool `id` with `textGbk`.
    bool AddTool(RECT& rect, bool rectGiven, std::string_view textGbk, int id);
    // A tool whose text the tooltip asks the owner for each time (LPSTR_TEXTCALLBACK; the owner
    // gets TTN_GETDISPINFOA or TTN_GETDISPINFOW depending on its notify format).
    bool AddCallbackTool(const RECT& rect, int id);
    void SetBackColor(COLORREF colour);
    void SetTextColor(COLORREF colour);
    void SetMaxWidth(int width);
    void RemoveTool(int id);
    int ToolCount() const;
    void SetToolRect(int id, const RECT& rect);
    void SetToolText(int id, std::string_view textGbk);
    HWND Handle() const { return tip; }
    HWND Owner() const { return owner; }

    static constexpr int MAX_TIP_WIDTH = 600;

private:
    HWND tip = nullptr;
    HWND owner = nullptr;
};
