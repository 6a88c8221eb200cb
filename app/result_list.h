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
#include "links/link_state.h"
#include "links/share_fold.h"
#include "links/share_link.h"
#include "search/worker.h"

// The columns a list shows: the program's own three, or those of today's netdisks, which add
// the netdisk, the extraction code and the link's state.
enum class ListColumns { Classic, Today };

class ResultList {
public:
    struct Row {
        int number = 0;  // column "序号"
        std::string title;
        std::string address;
        // The address read as a share link when the row arrived (the code may also come from
        // the title or the snippet); netdisk None when it is no share link.
        Netdisk netdisk = Netdisk::None;
        std::string share;
        std::string code;
        LinkState state = LinkState::Unchecked;
        bool isShare() const { return netdisk != Netdisk::None; }
        ShareLink shareLink() const { return ShareLink{netdisk, address, share, code}; }
    };

    // `list` must carry LVS_OWNERDATA.
    void attach(HWND list) { list_ = list; }
    HWND handle() const { return list_; }
    // Gives the list its columns (replacing those it has); the rows stay.
    void setColumns(ListColumns columns);
    ListColumns columns() const { return columns_; }
    // 合并重复链接: while on, a hit whose share (netdisk and share id) is listed already adds no
    // row; when it carries a code the listed row lacks, that row takes it. Addresses that are
    // no share are never folded. A list that has rows takes the change with its next clear().
    void setFolding(bool fold);

    // Removes every row.
    void clear();
    // Appends one page of hits, numbered on from `counter` (folded hits take no number). Rows
    // that land in view are given to the list and painted before it returns; otherwise the list
    // waits for sync().
    void append(const std::vector<Hit>& hits, int& counter);
    // Gives the list every row kept, with one count update; nothing when it has them all.
    void sync();
    // Rows kept that the list has not been given yet.
    bool lagging() const { return shown_ != rows_.size(); }
    // The rows the list has: what the count label shows.
    size_t shown() const { return shown_; }

    size_t size() const { return rows_.size(); }
    const Row& row(size_t index) const { return rows_[index]; }
    // Title and address of every row, top to bottom; with today's columns also the code and
    // the state's caption.
    std::vector<ResultRow> titlesAndAddresses() const;
    // The row selected in the list; empty texts when none is.
    ResultRow selected() const;
    // The row selected in the list; nullptr when none is.
    const Row* selectedRow() const;

    // Link checks. Rows appended as share links, or whose code a folded hit filled in, since
    // the last call: what is to be checked (row indices, oldest first).
    std::vector<size_t> takeFreshShares();
    // The state a check gave row `index`; the row is repainted when the list shows it (or taken
    // out of the list when dead ones are hidden).
    void setState(size_t index, LinkState state);
    // 隐藏失效链接: the list leaves out rows in a dead state; their numbers stay with them.
    void setHideDead(bool hide);
    bool hidesDead() const { return hideDead_; }
    // The row index of list item `item`; the rows themselves while nothing is hidden.
    size_t rowAt(size_t item) const { return hideDead_ ? visible_[item] : item; }
    // The items the list holds.
    size_t listCount() const { return hideDead_ ? visible_.size() : shown_; }

    // LVN_GETDISPINFOW: the cell's text into the list's buffer (cut to fit).
    void fillCell(NMLVDISPINFOW& info) const;
    // LVN_ODFINDITEMW: typing in the list finds the next row whose number starts with the text
    // typed, as a list holding its own texts does; -1 when none does.
    int findRow(const NMLVFINDITEMW& find) const;

private:
    std::string cellText(const Row& row, int column) const;
    // The list's items from the rows given to it, while dead rows are hidden.
    void rebuildVisible();
    // Folds `row` into the row listed for its share; false when it is to be listed itself.
    bool foldIntoListed(const Row& row);
    HWND list_ = nullptr;
    std::vector<Row> rows_;
    size_t shown_ = 0;  // the item count the list was given
    ListColumns columns_ = ListColumns::Classic;
    int columnCount_ = 0;
    bool folding_ = false;      // what the setting says
    bool foldingRows_ = false;  // what the rows kept were folded by
    ShareFold fold_;            // the shares listed, while folding
    std::vector<size_t> fresh_;    // share rows not yet handed out for a check
    bool hideDead_ = false;
    std::vector<size_t> visible_;  // while hiding: row index of each list item
};
