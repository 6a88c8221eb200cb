#include "app/ui_text.h"

#include <commctrl.h>

#include "text/encoding.h"

std::string windowTextGbk(HWND window) {
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(size_t(length) + 1, L'\0');
    int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(size_t(got > 0 ? got : 0));
    return wideToGbk(text);
}

void setWindowTextGbk(HWND window, const std::string& text) {
    SetWindowTextW(window, gbkToWide(text).c_str());
}

std::string listCellText(HWND list, int row, int column) {
    // Grow the buffer until the cell fits: addresses can be long.
    for (int size = 512;; size *= 4) {
        std::wstring buffer(size_t(size), L'\0');
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = size;
        int got = int(SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(row), LPARAM(&item)));
        if (got < size - 1 || size >= (1 << 20)) {
            buffer.resize(size_t(got > 0 ? got : 0));
            return wideToGbk(buffer);
        }
    }
}

int appendListRow(HWND list, const std::vector<std::string>& cells) {
    if (cells.empty()) return -1;
    std::wstring first = gbkToWide(cells[0]);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = first.data();
    int row = int(SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&item)));
    if (row < 0) return -1;
    for (size_t column = 1; column < cells.size(); ++column) {
        std::wstring text = gbkToWide(cells[column]);
        LVITEMW cell{};
        cell.iSubItem = int(column);
        cell.pszText = text.data();
        SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(row), LPARAM(&cell));
    }
    return row;
}

std::vector<ResultRow> listRows(HWND list) {
    std::vector<ResultRow> rows;
    int count = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    rows.reserve(size_t(count > 0 ? count : 0));
    for (int row = 0; row < count; ++row) rows.push_back({listCellText(list, row, 1), listCellText(list, row, 2)});
    return rows;
}
