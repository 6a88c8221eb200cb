// The rows of one result list, kept by the main window. The list view is a virtual one
// (LVS_OWNERDATA): it holds only the number of rows and its selection, and asks for the text of
// each cell it shows. A page of hits is then one count update instead of one insert per cell,
// and export, copy and open read the rows here, not back out of the control.
//
// Every count update redraws the list's scroll bars, which costs tens of milliseconds under
// some systems (Wine). Rows that land in view are given to the list at once; rows below the
// visible part change nothing but the scroll bars, so those are given to the list by sync(),
// which the window calls on a timer (400 ms) and when a search ends. The list's count never
// splits a page.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/export_format.h"
#include "search/worker.h"

class ResultList {
public:
    struct Row {
        int number;  // column "序号"
        std::string title;
        std::string address;
    };

    // `list` must carry LVS_OWNERDATA.
    void attach(HWND list) { list_ = list; }
    HWND handle() const { return list_; }

    // Removes every row.
    void clear();
    // Appends one page of hits, numbered on from `counter`. Rows that land in view are given to
    // the list and painted before it returns; otherwise the list waits for sync().
    void append(const std::vector<Hit>& hits, int& counter);
    // Gives the list every row kept, with one count update; nothing when it has them all.
    void sync();
    // Rows kept that the list has not been given yet.
    bool lagging() const { return shown_ != rows_.size(); }
    // The rows the list has: what the count label shows.
    size_t shown() const { return shown_; }

    size_t size() const { return rows_.size(); }
    const Row& row(size_t index) const { return rows_[index]; }
    // Title and address of every row, top to bottom.
    std::vector<ResultRow> titlesAndAddresses() const;
    // The row selected in the list; empty texts when none is.
    ResultRow selected() const;

    // LVN_GETDISPINFOW: the cell's text into the list's buffer (cut to fit).
    void fillCell(NMLVDISPINFOW& info) const;
    // LVN_ODFINDITEMW: typing in the list finds the next row whose number starts with the text
    // typed, as a list holding its own texts does; -1 when none does.
    int findRow(const NMLVFINDITEMW& find) const;

private:
    std::string cellText(const Row& row, int column) const;
    HWND list_ = nullptr;
    std::vector<Row> rows_;
    size_t shown_ = 0;  // the item count the list was given
};
