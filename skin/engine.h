// The skin engine's inner state: global settings, the window table with its control tables,
// window properties and the operations the painters share. Used by the engine's own files and
// by its tests; the application uses skin/skin.h only.
#pragma once
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "skin/gdi_count.h"
#include "skin/skin.h"

class TipWindow;

namespace skin {

inline constexpr COLORREF DEFAULT_ACCENT = 0xDDCA22;
inline constexpr int DEFAULT_VEIL_ALPHA = 160;
inline constexpr int MIN_CAPTION_HEIGHT = 25;
inline constexpr int MIN_TRACK_W = 200;
inline constexpr int MIN_TRACK_H = 150;
inline constexpr int RESIZE_BORDER = 3;
inline constexpr int CAPTION_STRIP_HEIGHT = 22;
inline constexpr int CLOSE_BUTTON_W = 40;
inline constexpr int CAPTION_BUTTON_W = 26;
inline constexpr int CAPTION_BUTTON_H = 18;
inline constexpr int HOVER_STEPS = 8;
inline constexpr UINT HOVER_TIMER_MS = 20;
inline constexpr int MEAN_SAMPLES = 2000;
inline constexpr const char SKIN_FONT_FACE[] = "宋体";
inline constexpr int SKIN_FONT_SIZE = 12;

// Window property names (ASCII, so the A forms are used).
inline constexpr const char PROP_PROC[] = "Hw_hProc";
inline constexpr const char PROP_INDEX[] = "Hw_lbID";
inline constexpr const char PROP_OWNER_INDEX[] = "Hw_FuID";
inline constexpr const char PROP_CHILD_PROC[] = "Kj_hProc";
inline constexpr const char PROP_CHILD_OWNER[] = "Kj_FuID";
inline constexpr const char PROP_CHILD_INDEX[] = "Kj_lbID";
inline constexpr const char PROP_TEXT_COLOUR[] = "Kj_Ztys";
inline constexpr const char PROP_BACK_BITMAP[] = "Kj_wtjb";
inline constexpr const char PROP_BACK_BRUSH[] = "Kj_dxjb";
inline constexpr const char PROP_OVERLAY_TARGET[] = "Mngd_zct";
inline constexpr const char PROP_PAGE_TAB[] = "Mb_zpf";
inline constexpr const char PROP_FIRST_BITMAP[] = "Ck_Ycjdx";
inline constexpr const char PROP_SKIN_BITMAP[] = "Ck_wtjbdx";

inline void setProp(HWND window, const char* name, INT_PTR value) {
    SetPropA(window, name, reinterpret_cast<HANDLE>(value));
}
inline INT_PTR getProp(HWND window, const char* name) {
    return reinterpret_cast<INT_PTR>(GetPropA(window, name));
}
// A window's text as GBK (read through the W form, converted with code page 936).
std::string windowText(HWND window);
// Whether the window's class is `name` (ASCII, compared as the system spells it).
bool isClass(HWND window, const char* name);
// Passes a message to the procedure kept in Hw_hProc (or DefWindowProcA when there is none).
LRESULT callOldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct Settings {
    std::string skinImage;  // encoded picture; empty: colours only
    DWORD mainColour = 0;   // ARGB
    bool mainColourSet = false;
    COLORREF accentColour = DEFAULT_ACCENT;
    int mode = 4;
    bool controlsOn = true;
    int veilAlpha = DEFAULT_VEIL_ALPHA;
    bool veilOn = false;
    bool trackbarOption = true;
    HICON icon = nullptr;
    ULONG_PTR gdiplusToken = 0;
    bool started = false;
};
Settings& settings();

enum TableKind {
    TABLE_BUTTONS,
    TABLE_EDITS,
    TABLE_LISTS,
    TABLE_TRACKBARS,
    TABLE_PROGRESS,
    TABLE_COMBOS,
    TABLE_UPDOWNS,
    TABLE_HEADERS,
    TABLE_TAB_PAGES,
    TABLE_CONTAINERS,
    TABLE_STATICS,
    TABLE_COUNT
};

// Which painter draws a control in place of the system (set when it is skinned, by class).
enum PainterKind {
    PAINTER_NONE,
    PAINTER_TRACKBAR,
    PAINTER_PROGRESS,
    PAINTER_UPDOWN,
    PAINTER_HEADER,
    PAINTER_TAB,
    PAINTER_PAGE,
    PAINTER_TOOLBAR,
    PAINTER_COMBO,
    PAINTER_LISTBOX,
    PAINTER_LISTVIEW
};
PainterKind painterForClass(HWND control);

enum ButtonKind { BUTTON_PUSH = 0, BUTTON_RADIO = 4, BUTTON_CHECK = 5, BUTTON_NONE = -1 };
ButtonKind buttonKindOfStyle(LONG_PTR style);

struct ControlRecord {
    HWND handle = nullptr;
    WNDPROC oldProc = nullptr;
    int kind = 0;  // buttons: ButtonKind; edit-type controls: 1 while focused
    bool focused = false;
    bool pressed = false;
    bool hot = false;
    bool tracking = false;
    std::string caption;
    std::string fontFace = SKIN_FONT_FACE;
    int fontSize = SKIN_FONT_SIZE;
    int fontStyle = 0;
    int hotItem = -1;      // the part or item under the mouse (painted controls), -1 none
    int pressedItem = -1;  // the part or item the left button went down on, -1 none
    int painter = PAINTER_NONE;
    HWND vOverlay = nullptr;
    HWND hOverlay = nullptr;
    int overlayHotPart = 0;  // scroll-bar part under the cursor (HT* code), 0 none
};

enum CaptionButtonKind { CB_CLOSE = 0, CB_MAXIMISE = 1, CB_MINIMISE = 2, CB_ITEM = 3 };

struct CaptionButton {
    int kind = CB_CLOSE;
    RECT rect{};  // client coordinates
    std::string tip;
    int id = 0;  // tooltip tool id
};

struct CloseFrame {
    RECT rect;
    int alpha;
};

struct WindowRecord {
    HWND handle = nullptr;
    WNDPROC oldProc = nullptr;
    bool isMessageBox = false;
    int effect = 0;

    // SkinWindow options after defaults.
    int captionHeight = MIN_CAPTION_HEIGHT;
    bool drawCaption = true;
    bool resizable = true;
    bool noCaption = false;
    int layoutA = 0, layoutB = 0;
    bool optionA = true;
    int optionB = 0;
    std::vector<std::string> captionItems;
    std::string windowPicture;  // prepared picture bytes
    DWORD windowPictureMean = 0;
    int windowMode = 4;
    int colourOption = -1;
    int windowAlpha = 255;

    bool hasMinimise = false, hasMaximise = false;
    int minTrackW = MIN_TRACK_W, minTrackH = MIN_TRACK_H;
    int screenW = 0, screenH = 0;
    COLORREF captionTextColour = 0xFFFFFF;
    COLORREF secondaryTextColour = 0x808080;
    std::string captionFontFace = SKIN_FONT_FACE;
    int captionFontSize = SKIN_FONT_SIZE;

    // Rendered background: `display` is what the window shows (edit frames are copied into it),
    // `base` stays as rendered so controls cut their background from a clean picture.
    HDC displayDC = nullptr;
    HBITMAP firstBitmap = nullptr;  // Ck_Ycjdx
    HBITMAP skinBitmap = nullptr;   // Ck_wtjbdx
    HDC baseDC = nullptr;
    HBITMAP baseFirst = nullptr;
    HBITMAP baseBitmap = nullptr;
    int bgW = 0, bgH = 0;

    std::vector<CaptionButton> buttons;
    std::unique_ptr<TipWindow> tips;
    int hotButton = -1, prevButton = -1;
    int hotStep = 0, prevStep = 0;
    int pressedButton = -1;
    bool tracking = false;
    bool timerRunning = false;
    bool appActive = true;
    bool shown = false;
    bool active = false;
    bool minimised = false, maximised = false;
    bool sizing = false, moving = false;
    bool rebuildPending = false;
    bool firstSizeSeen = false;
    bool dragging = false;
    RECT dragRect{};
    bool closeHot = false;  // message boxes: close button drawn hot

    // The control the mouse is over, for repaint-on-enter (edits).
    int hotControlIndex = 0;
    int hotControlKind = 0;
    HWND hotControlParent = nullptr;

    HANDLE fadeThread = nullptr;
    bool painted = false;

    std::array<std::vector<ControlRecord>, TABLE_COUNT> tables;

    WindowRecord();
    ~WindowRecord();
};

// The window table; positions are 1-based window indexes.
std::vector<std::unique_ptr<WindowRecord>>& windowTable();
// Window index of a window or, failing that, of its nearest skinned parent; 0 when none.
int FindWindowIndex(HWND window);
// The record at a 1-based index, or null when out of range.
WindowRecord* recordAt(INT_PTR index);
// The record of a top-level window by its Hw_lbID; null when not skinned.
WindowRecord* recordOfWindow(HWND window);
// The record owning a control (by Hw_FuID or Kj_FuID) and the control's own record.
WindowRecord* ownerOfControl(HWND control);
ControlRecord* controlRecord(HWND control, TableKind table);

void RebuildWindowSkin(int windowIndex);
// A counted bitmap (32-bit) of what lies behind the control: its window rectangle, or its
// client rectangle when `clientOnly`. The caller deletes it with deleteGdi.
HBITMAP PaintControlBackground(HWND control, bool clientOnly = false);
// Copies the background behind `control` into a fresh memory DC of the same size.
void fillControlBackground(HWND control, const MemoryDC& target, bool clientOnly = false);
void ReleaseWindowSkin(HWND window);
// Lays white at `alpha` over w x h of a DC (the veil of control faces).
void veil(HDC dc, int w, int h, int alpha);

// Child skinning; `isMessageBox` adds the statics step.
void skinChildren(WindowRecord& record, int windowIndex, HWND parent, bool isMessageBox);
void renumberWindows();

// Control colours on WM_CTLCOLOR*: returns the brush, or 0 when the control is left to the system.
HBRUSH controlColour(HWND control, HDC dc);
// Deletes the Kj_dxjb brush and Kj_wtjb bitmap of a control and clears both properties.
void releaseControlBrush(HWND control);

// Frame procedure and its helpers.
LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MessageBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// What a skinned window and a skinned message box answer alike: WM_ERASEBKGND (the paint lays
// the background) and WM_DRAWITEM of a skinned push button. False for any other message.
bool frameDrawsItself(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
bool isControlColourMessage(UINT message);  // WM_CTLCOLOREDIT, ...LISTBOX, ...BTN, ...STATIC
void layoutCaptionButtons(WindowRecord& record);
void createCaptionButtons(WindowRecord& record);
void paintCaptionButton(WindowRecord& record, int button, int hoverAlpha, bool pressed, HDC target = nullptr);
void setRoundRegion(HWND window, bool resetFirst);
void refreshChildren(WindowRecord& record);
void playCloseEffect(WindowRecord& record);
// The frames of the last close effect played (for tests).
const std::vector<CloseFrame>& lastCloseEffect();
// The maximised rectangle: the screen minus a taskbar found at one of its edges.
RECT workAreaFromTaskbar(int screenW, int screenH, const RECT* taskbar);

// Control procedures.
LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK OverlayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PlainControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ContainerChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Trackbars, progress bars, up-down controls and headers.
LRESULT CALLBACK PainterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Painters.
// Paints a control with its painter (record->painter) into `target`, over what lies behind it;
// the control's visible child windows are left out.
void PaintControl(HWND control, ControlRecord& record, HDC target);
// The part or item of a painted control under a client point, -1 (or 0 for the body) when none.
int painterHitTest(HWND control, const ControlRecord& record, POINT p);
// Hover, press and focus bookkeeping of painted controls: before the old procedure runs.
// Returns whether the control must be repainted after it.
bool trackPainterInput(HWND control, ControlRecord& record, UINT message, LPARAM lParam);
// WM_PAINT and WM_PRINTCLIENT of a painted control; the old procedure lays itself out first.
LRESULT paintMessage(HWND control, UINT message, WPARAM wParam);
// What every painted control answers alike: WM_PAINT and WM_PRINTCLIENT (paintMessage) and
// WM_ERASEBKGND (nothing erased: the paint lays the whole face). False for any other message.
bool painterDrawsItself(HWND control, UINT message, WPARAM wParam, LRESULT& result);
// The record of a painted control in whichever table holds it.
ControlRecord* painterRecord(HWND control);
void repaintNow(HWND control);
void PaintPushButton(const ControlRecord& control, const DRAWITEMSTRUCT& item);
void paintCheckOrRadio(ControlRecord& control, HDC target);
void PaintEditFrame(HWND edit, int focused = -1, int hot = -1);
void PaintEditBackground(HWND edit, HDC dc);
int EditBorderKind(HWND edit);
void placeOverlays(ControlRecord& control);
void repaintOverlays(const ControlRecord& control);
void createOverlays(ControlRecord& control, int windowIndex);

// Drops the decoded pictures kept for background rendering (before GDI+ shuts down).
void releasePictureCache();

// Mean colour (ARGB, alpha 255) of an encoded picture; 0 when it cannot be decoded.
DWORD meanColourOf(const std::string& picture);
// The compose step of modes 0 and 1: the picture tinted into the main colour, as PNG bytes.
std::string composePicture(const std::string& picture, DWORD mainArgb);
// Picture bytes prepared for a mode (compose for 0 and 1, unchanged otherwise).
std::string preparePicture(const std::string& picture, DWORD mainArgb, int mode);

// What WM_ACTIVATEAPP with wParam 0 runs; trimMemory unless a test puts its own.
using TrimFunction = void (*)();
void setTrimFunction(TrimFunction trim);

// Whether a message box is still fading in.
bool fadeRunning();

}  // namespace skin
