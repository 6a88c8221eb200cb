#include "app/result_list.h"

#include <algorithm>
#include <cwchar>

#include "text/encoding.h"

namespace {
struct ColumnDefinition {
    const char* title;
    int width;
};
constexpr ColumnDefinition CLASSIC_COLUMNS[] = {{"序号", 50}, {"名称", 400}, {"地址", 220}};
// Together they fit the list of the fixed-size window beside its vertical scroll bar, so no
// column is ever out of sight: the long texts are cut with an ellipsis instead.
constexpr ColumnDefinition TODAY_COLUMNS[] = {{"序号", 36}, {"名称", 160}, {"地址", 204},
                                              {"网盘", 62}, {"提取码", 50}, {"状态", 72}};
}  // namespace

void ResultList::setColumns(ListColumns columns) {
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (; columnCount_ > 0; --columnCount_) SendMessageW(list_, LVM_DELETECOLUMN, WPARAM(columnCount_ - 1), 0);
    columns_ = columns;
    const ColumnDefinition* first = columns == ListColumns::Today ? TODAY_COLUMNS : CLASSIC_COLUMNS;
    int count = columns == ListColumns::Today ? int(std::size(TODAY_COLUMNS)) : int(std::size(CLASSIC_COLUMNS));
    for (int i = 0; i < count; ++i) {
        std::wstring title = gbkToWide(first[i].title);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = first[i].width;
        column.pszText = title.data();
        column.iSubItem = i;
        if (SendMessageW(list_, LVM_INSERTCOLUMNW, WPARAM(i), LPARAM(&column)) >= 0) ++columnCount_;
    }
}

void ResultList::clear() {
    // The rows go first: a repaint between the two steps asks for none of them.
    rows_ = {};
    fresh_.clear();
    visible_.clear();
    fold_.clear();
    foldingRows_ = folding_;
    shown_ = 0;
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
}

void ResultList::setFolding(bool fold) {
    folding_ = fold;
    if (rows_.empty()) foldingRows_ = fold;
}

bool ResultList::foldIntoListed(const Row& row) {
    if (!foldingRows_) return false;
    ShareFold::Outcome outcome = fold_.offer(row.isShare() ? std::optional<ShareLink>(row.shareLink()) : std::nullopt);
    if (outcome.listed) return false;
    if (outcome.codeFilled && outcome.row < rows_.size()) {
        rows_[outcome.row].code = fold_.code(outcome.row);
        // Checked again with the code: without it the share may have said only 需提取码.
        fresh_.push_back(outcome.row);
        if (outcome.row < shown_ && !hideDead_) SendMessageW(list_, LVM_REDRAWITEMS, WPARAM(outcome.row), LPARAM(outcome.row));
    }
    return true;
}

void ResultList::append(const std::vector<Hit>& hits, int& counter) {
    if (hits.empty()) return;
    // No reserve of the exact size here: it would move every row at every page.
    for (const Hit& hit : hits) {
        Row row;
        row.title = hit.title;
        row.address = hit.address;
        if (std::optional<ShareLink> link = readHitShare(hit.address, hit.title, hit.snippet)) {
            row.netdisk = link->netdisk;
            row.share = std::move(link->share);
            row.code = std::move(link->code);
        }
        if (foldIntoListed(row)) continue;
        row.number = ++counter;
        if (row.isShare()) fresh_.push_back(rows_.size());
        rows_.push_back(std::move(row));
    }
    size_t top = size_t(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
    size_t perPage = size_t(SendMessageW(list_, LVM_GETCOUNTPERPAGE, 0, 0));
    // In view: shown at once, while the worker goes on fetching.
    if (shown_ <= top + perPage) sync();
}

void ResultList::sync() {
    if (!lagging()) return;
    size_t first = shown_;
    shown_ = rows_.size();
    if (hideDead_) {
        first = visible_.size();
        for (size_t i = visible_.empty() ? 0 : visible_.back() + 1; i < shown_; ++i) {
            if (!isDeadState(rows_[i].state)) visible_.push_back(i);
        }
    }
    // Without invalidating the whole list or scrolling to the focused row.
    size_t count = listCount();
    SendMessageW(list_, LVM_SETITEMCOUNT, WPARAM(count), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    size_t top = size_t(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
    size_t perPage = size_t(SendMessageW(list_, LVM_GETCOUNTPERPAGE, 0, 0));
    // The new rows in view are painted when the window thread is next idle, not here: the
    // worker handing them over waits for this call, and painting is the slow part.
    if (first < count && first <= top + perPage)
        SendMessageW(list_, LVM_REDRAWITEMS, WPARAM(first), LPARAM(std::min(count, top + perPage + 1) - 1));
}

std::vector<size_t> ResultList::takeFreshShares() {
    std::vector<size_t> out;
    out.swap(fresh_);
    return out;
}

void ResultList::setState(size_t index, LinkState state) {
    if (index >= rows_.size() || rows_[index].state == state) return;
    bool wasDead = isDeadState(rows_[index].state);
    rows_[index].state = state;
    if (index >= shown_) return;  // sync() gives it to the list
    if (!hideDead_) {
        SendMessageW(list_, LVM_REDRAWITEMS, WPARAM(index), LPARAM(index));
        return;
    }
    if (wasDead == isDeadState(state)) {
        auto at = std::lower_bound(visible_.begin(), visible_.end(), index);
        if (at != visible_.end() && *at == index) {
            WPARAM item = WPARAM(at - visible_.begin());
            SendMessageW(list_, LVM_REDRAWITEMS, item, LPARAM(item));
        }
        return;
    }
    rebuildVisible();
}

void ResultList::setHideDead(bool hide) {
    if (hide == hideDead_) return;
    hideDead_ = hide;
    visible_.clear();
    if (hide) {
        rebuildVisible();
        return;
    }
    SendMessageW(list_, LVM_SETITEMCOUNT, WPARAM(shown_), LVSICF_NOSCROLL);
    InvalidateRect(list_, nullptr, TRUE);
}

void ResultList::rebuildVisible() {
    // The selection follows its row, or goes when the row is hidden.
    int selectedItem = int(SendMessageW(list_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    size_t selected = SIZE_MAX;
    if (selectedItem >= 0) {
        size_t item = size_t(selectedItem);
        // The list still holds the items of before: visible_ or the rows themselves.
        if (!visible_.empty() && item < visible_.size()) selected = visible_[item];
        else if (visible_.empty() && item < shown_) selected = item;
    }
    visible_.clear();
    for (size_t i = 0; i < shown_; ++i) {
        if (!isDeadState(rows_[i].state)) visible_.push_back(i);
    }
    LVITEMW clear{};
    clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&clear));
    SendMessageW(list_, LVM_SETITEMCOUNT, WPARAM(visible_.size()), LVSICF_NOSCROLL);
    auto at = std::lower_bound(visible_.begin(), visible_.end(), selected);
    if (selected != SIZE_MAX && at != visible_.end() && *at == selected) {
        LVITEMW select{};
        select.state = select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list_, LVM_SETITEMSTATE, WPARAM(at - visible_.begin()), LPARAM(&select));
    }
    InvalidateRect(list_, nullptr, TRUE);
}

std::vector<ResultRow> ResultList::titlesAndAddresses() const {
    std::vector<ResultRow> out;
    out.reserve(rows_.size());
    bool shares = columns_ == ListColumns::Today;
    for (const Row& row : rows_) {
        out.push_back({row.title, row.address, shares ? row.code : std::string(),
                       shares ? std::string(linkStateCaption(row.state)) : std::string()});
    }
    return out;
}

const ResultList::Row* ResultList::selectedRow() const {
    int item = int(SendMessageW(list_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    if (item < 0 || size_t(item) >= listCount()) return nullptr;
    return &rows_[rowAt(size_t(item))];
}

ResultRow ResultList::selected() const {
    const Row* row = selectedRow();
    if (!row) return {};
    return {row->title, row->address};
}

std::string ResultList::cellText(const Row& row, int column) const {
    switch (column) {
        case 0:
            return std::to_string(row.number);
        case 1:
            return row.title;
        case 2:
            return row.address;
        case 3:
            return netdiskCaption(row.netdisk);
        case 4:
            return row.code;
        case 5:
            return linkStateCaption(row.state);
    }
    return {};
}

void ResultList::fillCell(NMLVDISPINFOW& info) const {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    if (item.iItem < 0 || size_t(item.iItem) >= listCount()) {
        item.pszText[0] = L'\0';
        return;
    }
    std::wstring text = gbkToWide(cellText(rows_[rowAt(size_t(item.iItem))], item.iSubItem));
    size_t fit = std::min(text.size(), size_t(item.cchTextMax) - 1);
    std::wmemcpy(item.pszText, text.data(), fit);
    item.pszText[fit] = L'\0';
}

int ResultList::findRow(const NMLVFINDITEMW& find) const {
    const LVFINDINFOW& what = find.lvfi;
    if (!(what.flags & (LVFI_STRING | LVFI_PARTIAL)) || !what.psz || listCount() == 0) return -1;
    std::string wanted = wideToGbk(what.psz);
    bool partial = (what.flags & LVFI_PARTIAL) != 0;
    size_t count = listCount();
    size_t start = find.iStart >= 0 && size_t(find.iStart) < count ? size_t(find.iStart) : 0;
    for (size_t step = 0; step < count; ++step) {
        size_t index = start + step;
        if (index >= count) {
            if (!(what.flags & LVFI_WRAP)) return -1;
            index -= count;
        }
        std::string number = std::to_string(rows_[rowAt(index)].number);
        if (partial ? number.rfind(wanted, 0) == 0 : number == wanted) return int(index);
    }
    return -1;
}
