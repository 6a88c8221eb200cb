// GBK texts in and out of windows and list views through the W entry points.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/export_format.h"

std::string windowTextGbk(HWND window);
void setWindowTextGbk(HWND window, const std::string& text);

// Cell text of a report-style list view.
std::string listCellText(HWND list, int row, int column);
// Appends a row with the given cells; returns its index or -1.
int appendListRow(HWND list, const std::vector<std::string>& cells);
// Column 1 (title) and column 2 (address) of every row, top to bottom.
std::vector<ResultRow> listRows(HWND list);
