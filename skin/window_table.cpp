// The window table, the control tables and their window properties: skinning a top-level
// window and its children, looking records up, and the clean-up with renumbering.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "skin/tip_window.h"
#include "text/encoding.h"
#include "skin/engine.h"

namespace skin {

WindowRecord::WindowRecord() = default;
WindowRecord::~WindowRecord() = default;

std::vector<std::unique_ptr<WindowRecord>>& windowTable() {
    static std::vector<std::unique_ptr<WindowRecord>> table;
    return table;
}

std::string windowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return wideToGbk(text);
}

bool isClass(HWND window, const char* name) {
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    return !std::strcmp(cls, name);
}

// Procedures are replaced and called through the W forms: an A procedure on a Unicode window
// would pass every window text through the ANSI code page and lose Chinese text on other locales.
LRESULT callOldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto old = reinterpret_cast<WNDPROC>(GetPropA(window, PROP_PROC));
    if (!old) return DefWindowProcW(window, message, wParam, lParam);
    return CallWindowProcW(old, window, message, wParam, lParam);
}

WindowRecord* recordAt(INT_PTR index) {
    auto& table = windowTable();
    if (index < 1 || index > static_cast<INT_PTR>(table.size())) return nullptr;
    return table[index - 1].get();
}

WindowRecord* recordOfWindow(HWND window) {
    WindowRecord* record = recordAt(getProp(window, PROP_INDEX));
    return record && record->handle == window ? record : nullptr;
}

WindowRecord* ownerOfControl(HWND control) {
    INT_PTR index = getProp(control, PROP_OWNER_INDEX);
    if (!index) index = getProp(control, PROP_CHILD_OWNER);
    return recordAt(index);
}

ControlRecord* controlRecord(HWND control, TableKind table) {
    WindowRecord* owner = ownerOfControl(control);
    if (!owner) return nullptr;
    bool child = table == TABLE_CONTAINERS || table == TABLE_TAB_PAGES;
    INT_PTR index = getProp(control, child ? PROP_CHILD_INDEX : PROP_INDEX);
    auto& controls = owner->tables[table];
    if (index < 1 || index > static_cast<INT_PTR>(controls.size())) return nullptr;
    ControlRecord* record = &controls[index - 1];
    return record->handle == control ? record : nullptr;
}

int FindWindowIndex(HWND window) {
    if (!window) return 0;
    auto& table = windowTable();
    HWND root = GetAncestor(window, GA_ROOTOWNER);
    for (HWND current = window; current;) {
        for (size_t i = 0; i < table.size(); ++i)
            if (table[i]->handle == current) return static_cast<int>(i + 1);
        if (current == root) break;
        current = GetParent(current);
    }
    return 0;
}

ButtonKind buttonKindOfStyle(LONG_PTR style) {
    int type = static_cast<int>(style & 0xF);
    if (type == 0x9) return BUTTON_RADIO;
    if (!(type & 0x2) && !(type & 0x4)) return BUTTON_PUSH;
    // Types 2 and 3 only: 0xA and 0xB share the bits but are the user and owner-drawn types.
    if ((type == 0x2 || type == 0x3)) return BUTTON_CHECK;
    return BUTTON_NONE;
}

namespace {

void readFont(HWND child, ControlRecord& control) {
    auto font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
    // The W form: the A form converts the face through the ANSI code page into 32 bytes, which
    // loses what that page lacks and cuts a long Chinese name short.
    LOGFONTW logFont{};
    if (!font || !GetObjectW(font, sizeof logFont, &logFont)) return;
    logFont.lfFaceName[LF_FACESIZE - 1] = L'\0';
    control.fontFace = wideToGbk(logFont.lfFaceName);
    // Sizes are kept in pixels, as the caption's 12.
    int height = logFont.lfHeight < 0 ? -logFont.lfHeight : logFont.lfHeight;
    if (height > 0) control.fontSize = height;
    control.fontStyle = (logFont.lfWeight >= FW_BOLD ? 1 : 0) | (logFont.lfItalic ? 2 : 0);
}

bool inTable(const std::vector<ControlRecord>& table, HWND child) {
    return std::any_of(table.begin(), table.end(), [&](const ControlRecord& c) { return c.handle == child; });
}

// Steps 2 to 6 of subclassing one child; returns its record, or null when it was there already.
ControlRecord* subclassChild(WindowRecord& record, int windowIndex, TableKind table, HWND child, WNDPROC proc) {
    auto& controls = record.tables[table];
    if (inTable(controls, child)) return nullptr;
    controls.emplace_back();
    ControlRecord& control = controls.back();
    control.handle = child;
    control.caption = windowText(child);
    control.painter = painterForClass(child);
    readFont(child, control);
    setProp(child, PROP_INDEX, static_cast<INT_PTR>(controls.size()));
    setProp(child, PROP_OWNER_INDEX, windowIndex);
    auto old = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
    control.oldProc = old;
    setProp(child, PROP_PROC, reinterpret_cast<INT_PTR>(old));
    return &control;
}

template <typename Visit>
void forEachChild(HWND parent, const char* className, Visit visit) {
    // Collect first: subclassing must not disturb the walk.
    std::vector<HWND> found;
    for (HWND child = FindWindowExA(parent, nullptr, className, nullptr); child;
         child = FindWindowExA(parent, child, className, nullptr))
        found.push_back(child);
    for (HWND child : found) visit(child);
}

void skinButtons(WindowRecord& record, int windowIndex, HWND parent, bool push) {
    forEachChild(parent, "BUTTON", [&](HWND child) {
        LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
        ButtonKind kind = buttonKindOfStyle(style);
        if (kind == BUTTON_NONE || (kind == BUTTON_PUSH) != push) return;
        ControlRecord* control = subclassChild(record, windowIndex, TABLE_BUTTONS, child, ButtonProc);
        if (!control) return;
        control->kind = kind;
        // Push buttons become owner-drawn so the frame paints them on WM_DRAWITEM. Check boxes and
        // radio buttons keep their type, so the system still keeps their check state and groups;
        // their own procedure paints them.
        if (kind == BUTTON_PUSH) SetWindowLongPtrA(child, GWL_STYLE, (style & ~0xFL) | BS_OWNERDRAW);
        InvalidateRect(child, nullptr, TRUE);
    });
}

void skinEdit(WindowRecord& record, int windowIndex, HWND child) {
    ControlRecord* control = subclassChild(record, windowIndex, TABLE_EDITS, child, EditProc);
    if (!control) return;
    setProp(child, PROP_TEXT_COLOUR, 0);
    createOverlays(*control, windowIndex);
    SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

void skinEditsAndCombos(WindowRecord& record, int windowIndex, HWND parent) {
    forEachChild(parent, "Edit", [&](HWND child) { skinEdit(record, windowIndex, child); });
    forEachChild(parent, "ComboBox", [&](HWND child) {
        ControlRecord* control = subclassChild(record, windowIndex, TABLE_COMBOS, child, ComboProc);
        if (!control) return;
        setProp(child, PROP_TEXT_COLOUR, 0);
        HWND edit = FindWindowExA(child, nullptr, "Edit", nullptr);
        if (edit) setProp(edit, PROP_TEXT_COLOUR, 0);
        // The list (a child of a simple combo box, a pop-up of the others) is painted as a list.
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (GetComboBoxInfo(child, &info) && info.hwndList)
            if (ControlRecord* list = subclassChild(record, windowIndex, TABLE_LISTS, info.hwndList, ListProc))
                setProp(list->handle, PROP_TEXT_COLOUR, 0);
        InvalidateRect(child, nullptr, TRUE);
    });
}

void skinPlain(WindowRecord& record, int windowIndex, HWND parent, const char* className, TableKind table,
               WNDPROC proc = PlainControlProc) {
    forEachChild(parent, className, [&](HWND child) { subclassChild(record, windowIndex, table, child, proc); });
}

void skinLists(WindowRecord& record, int windowIndex, HWND parent) {
    for (const char* cls :
         {"ListBox", "ComboLBox", "SysListView32", "SysTreeView32", "SysIPAddress32", "SysDateTimePick32"})
        skinPlain(record, windowIndex, parent, cls, TABLE_LISTS, ListProc);
    // A list view paints its items on its own background colour; without one the veil shows.
    if (settings().veilOn)
        forEachChild(parent, "SysListView32", [](HWND list) {
            SendMessageW(list, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(CLR_NONE));
            SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(CLR_NONE));
        });
}

void skinHeaders(WindowRecord& record, int windowIndex, HWND parent) {
    skinPlain(record, windowIndex, parent, "SysHeader32", TABLE_HEADERS, PainterProc);
    forEachChild(parent, "SysListView32", [&](HWND list) {
        HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
        if (header && !inTable(record.tables[TABLE_HEADERS], header))
            subclassChild(record, windowIndex, TABLE_HEADERS, header, PainterProc);
    });
}

// Toolbars, tab controls, the children of toolbars (TABLE_CONTAINERS) and tab pages
// (TABLE_TAB_PAGES) carry the Kj_ properties and run the container procedure.
void skinContainerChild(WindowRecord& record, int windowIndex, HWND child, TableKind table = TABLE_CONTAINERS) {
    auto& controls = record.tables[table];
    if (inTable(controls, child)) return;
    controls.emplace_back();
    ControlRecord& control = controls.back();
    control.handle = child;
    control.caption = windowText(child);
    control.painter = table == TABLE_TAB_PAGES ? PAINTER_PAGE : painterForClass(child);
    // Only toolbars and tab controls are painted; what sits in a toolbar keeps its own look.
    if (control.painter != PAINTER_TOOLBAR && control.painter != PAINTER_TAB && control.painter != PAINTER_PAGE)
        control.painter = PAINTER_NONE;
    readFont(child, control);
    setProp(child, PROP_CHILD_INDEX, static_cast<INT_PTR>(controls.size()));
    setProp(child, PROP_CHILD_OWNER, windowIndex);
    auto old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ContainerChildProc)));
    control.oldProc = old;
    setProp(child, PROP_CHILD_PROC, reinterpret_cast<INT_PTR>(old));
}

void skinContainers(WindowRecord& record, int windowIndex, HWND parent) {
    forEachChild(parent, "ToolbarWindow32", [&](HWND toolbar) {
        skinContainerChild(record, windowIndex, toolbar);
        for (HWND child = GetWindow(toolbar, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            skinContainerChild(record, windowIndex, child);
    });
    // Tab controls: their pages (child windows) repeat the whole sequence for their own children.
    forEachChild(parent, "SysTabControl32", [&](HWND tab) {
        skinContainerChild(record, windowIndex, tab);
        std::vector<HWND> pages;
        for (HWND page = GetWindow(tab, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT)) pages.push_back(page);
        for (HWND page : pages) {
            char cls[64] = {};
            GetClassNameA(page, cls, sizeof cls);
            if (!std::strcmp(cls, "msctls_updown32")) continue;  // the tab strip's scroll arrows
            setProp(page, PROP_PAGE_TAB, reinterpret_cast<INT_PTR>(tab));
            skinContainerChild(record, windowIndex, page, TABLE_TAB_PAGES);
            skinChildren(record, windowIndex, page, false);
        }
    });
}

}  // namespace

void skinChildren(WindowRecord& record, int windowIndex, HWND parent, bool isMessageBox) {
    if (!settings().controlsOn) return;
    skinButtons(record, windowIndex, parent, true);
    skinButtons(record, windowIndex, parent, false);
    skinEditsAndCombos(record, windowIndex, parent);
    skinPlain(record, windowIndex, parent, "msctls_trackbar32", TABLE_TRACKBARS, PainterProc);
    skinPlain(record, windowIndex, parent, "msctls_progress32", TABLE_PROGRESS, PainterProc);
    skinLists(record, windowIndex, parent);
    skinPlain(record, windowIndex, parent, "msctls_updown32", TABLE_UPDOWNS, PainterProc);
    skinHeaders(record, windowIndex, parent);
    if (isMessageBox) skinPlain(record, windowIndex, parent, "Static", TABLE_STATICS);
    skinContainers(record, windowIndex, parent);
}

}  // namespace skin

using namespace skin;

bool SkinWindow(HWND window, const SkinWindowOptions& options) {
    if (!IsWindow(window)) return false;
    auto& table = windowTable();
    for (auto& existing : table)
        if (existing->handle == window) {
            // Already skinned: only controls added since are picked up.
            int index = FindWindowIndex(window);
            skinChildren(*existing, index, window, false);
            return false;
        }

    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    SetWindowLongPtrA(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CLIPCHILDREN));

    auto record = std::make_unique<WindowRecord>();
    record->handle = window;
    record->captionHeight = std::max(options.captionHeight, MIN_CAPTION_HEIGHT);
    record->drawCaption = options.drawCaption && !options.noCaption;
    record->noCaption = options.noCaption;
    record->resizable = options.resizable;
    record->layoutA = options.layoutA;
    record->layoutB = options.layoutB;
    record->optionA = options.optionA;
    record->optionB = options.optionB;
    record->captionItems = options.captionItems;
    record->windowMode = options.windowMode.value_or(settings().mode);
    record->colourOption = options.colourOption;
    record->windowAlpha = std::clamp(options.windowAlpha, 0, 255);
    record->hasMinimise = (style & WS_MINIMIZEBOX) != 0;
    record->hasMaximise = (style & WS_MAXIMIZEBOX) != 0;
    record->screenW = GetSystemMetrics(SM_CXSCREEN);
    record->screenH = GetSystemMetrics(SM_CYSCREEN);
    record->appActive = true;
    if (!options.windowPicture.empty()) {
        record->windowPictureMean = meanColourOf(options.windowPicture);
        // A picture that cannot be decoded has no mean colour: the window keeps the skin's colours.
        if (record->windowPictureMean)
            record->windowPicture =
                preparePicture(options.windowPicture, record->windowPictureMean, record->windowMode);
    }
    table.push_back(std::move(record));
    int index = static_cast<int>(table.size());
    WindowRecord& added = *table.back();

    auto old =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameProc)));
    added.oldProc = old;
    setProp(window, PROP_PROC, reinterpret_cast<INT_PTR>(old));
    setProp(window, PROP_INDEX, index);

    if (added.windowAlpha < 255) {
        SetWindowLongPtrA(window, GWL_EXSTYLE, GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_LAYERED);
        SetLayeredWindowAttributes(window, 0, static_cast<BYTE>(added.windowAlpha), LWA_ALPHA);
    }
    createCaptionButtons(added);
    skinChildren(added, index, window, false);
    return true;
}

bool SetWindowEffect(HWND window, int kind) {
    WindowRecord* record = recordOfWindow(window);
    if (!record) return false;
    record->effect = kind;
    return true;
}

namespace skin {

void renumberWindows() {
    auto& table = windowTable();
    for (size_t i = 0; i < table.size(); ++i) {
        auto index = static_cast<INT_PTR>(i + 1);
        WindowRecord& record = *table[i];
        setProp(record.handle, PROP_INDEX, index);
        for (int t = 0; t < TABLE_COUNT; ++t)
            for (ControlRecord& control : record.tables[t]) {
                if (!IsWindow(control.handle)) continue;
                if (t == TABLE_CONTAINERS || t == TABLE_TAB_PAGES) {
                    setProp(control.handle, PROP_CHILD_OWNER, index);
                } else {
                    setProp(control.handle, PROP_OWNER_INDEX, index);
                }
                if (control.vOverlay) setProp(control.vOverlay, PROP_OWNER_INDEX, index);
                if (control.hOverlay) setProp(control.hOverlay, PROP_OWNER_INDEX, index);
            }
    }
}

namespace {

void releaseDcPair(HDC& dc, HBITMAP& first, HBITMAP& current) {
    if (dc && first) SelectObject(dc, first);
    deleteGdi(current);
    deleteDC(dc);
    dc = nullptr;
    first = current = nullptr;
}

}  // namespace

void ReleaseWindowSkin(HWND window) {
    auto& table = windowTable();
    auto it = std::find_if(table.begin(), table.end(), [&](auto& r) { return r->handle == window; });
    if (it == table.end()) return;
    WindowRecord& record = **it;

    for (auto& controls : record.tables)
        for (ControlRecord& control : controls) {
            if (IsWindow(control.handle)) {
                releaseControlBrush(control.handle);
            }
            // Overlays usually died with the window already; their procedure counts them out.
            if (control.vOverlay && IsWindow(control.vOverlay)) DestroyWindow(control.vOverlay);
            if (control.hOverlay && IsWindow(control.hOverlay)) DestroyWindow(control.hOverlay);
            control.vOverlay = control.hOverlay = nullptr;
        }
    releaseDcPair(record.displayDC, record.firstBitmap, record.skinBitmap);
    releaseDcPair(record.baseDC, record.baseFirst, record.baseBitmap);
    setProp(window, PROP_FIRST_BITMAP, 0);
    setProp(window, PROP_SKIN_BITMAP, 0);
    if (record.tips) {
        // The tooltip is owned by the window and usually went with it.
        HWND tip = record.tips->Handle();
        if (tip && IsWindow(tip)) DestroyWindow(tip);
        if (tip) countedWindowGone();
        record.tips.reset();
    }
    if (record.fadeThread) {
        // The fade lasts about 225 ms; wait so it never touches a reused handle.
        WaitForSingleObject(record.fadeThread, 2000);
        CloseHandle(record.fadeThread);
        record.fadeThread = nullptr;
    }
    SetWindowLongPtrW(window, GWLP_WNDPROC, getProp(window, PROP_PROC));

    table.erase(it);
    renumberWindows();
}

}  // namespace skin
