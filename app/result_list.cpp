#include "app/result_list.h"

#include <algorithm>
#include <cwchar>

#include "text/encoding.h"

void ResultList::clear() {
    // The rows go first: a repaint between the two steps asks for none of them.
    rows_ = {};
    shown_ = 0;
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
}

void ResultList::append(const std::vector<Hit>& hits, int& counter) {
    if (hits.empty()) return;
    rows_.reserve(rows_.size() + hits.size());
    for (const Hit& hit : hits) rows_.push_back(Row{++counter, hit.title, hit.address});
    size_t top = size_t(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
    size_t perPage = size_t(SendMessageW(list_, LVM_GETCOUNTPERPAGE, 0, 0));
    // In view: shown at once, while the worker goes on fetching.
    if (shown_ <= top + perPage) sync();
}

void ResultList::sync() {
    if (!lagging()) return;
    size_t first = shown_;
    shown_ = rows_.size();
    // Without invalidating the whole list or scrolling to the focused row.
    SendMessageW(list_, LVM_SETITEMCOUNT, WPARAM(shown_), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    size_t top = size_t(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
    size_t perPage = size_t(SendMessageW(list_, LVM_GETCOUNTPERPAGE, 0, 0));
    // The new rows in view are painted when the window thread is next idle, not here: the
    // worker handing them over waits for this call, and painting is the slow part.
    if (first <= top + perPage)
        SendMessageW(list_, LVM_REDRAWITEMS, WPARAM(first), LPARAM(std::min(shown_, top + perPage + 1) - 1));
}

std::vector<ResultRow> ResultList::titlesAndAddresses() const {
    std::vector<ResultRow> out;
    out.reserve(rows_.size());
    for (const Row& row : rows_) out.push_back({row.title, row.address});
    return out;
}

ResultRow ResultList::selected() const {
    int index = int(SendMessageW(list_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    if (index < 0 || size_t(index) >= rows_.size()) return {};
    return {rows_[size_t(index)].title, rows_[size_t(index)].address};
}

std::string ResultList::cellText(const Row& row, int column) const {
    switch (column) {
        case 0:
            return std::to_string(row.number);
        case 1:
            return row.title;
        case 2:
            return row.address;
    }
    return {};
}

void ResultList::fillCell(NMLVDISPINFOW& info) const {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    if (item.iItem < 0 || size_t(item.iItem) >= rows_.size()) {
        item.pszText[0] = L'\0';
        return;
    }
    std::wstring text = gbkToWide(cellText(rows_[size_t(item.iItem)], item.iSubItem));
    size_t fit = std::min(text.size(), size_t(item.cchTextMax) - 1);
    std::wmemcpy(item.pszText, text.data(), fit);
    item.pszText[fit] = L'\0';
}

int ResultList::findRow(const NMLVFINDITEMW& find) const {
    const LVFINDINFOW& what = find.lvfi;
    if (!(what.flags & (LVFI_STRING | LVFI_PARTIAL)) || !what.psz || rows_.empty()) return -1;
    std::string wanted = wideToGbk(what.psz);
    bool partial = (what.flags & LVFI_PARTIAL) != 0;
    size_t count = rows_.size();
    size_t start = find.iStart >= 0 && size_t(find.iStart) < count ? size_t(find.iStart) : 0;
    for (size_t step = 0; step < count; ++step) {
        size_t index = start + step;
        if (index >= count) {
            if (!(what.flags & LVFI_WRAP)) return -1;
            index -= count;
        }
        std::string number = std::to_string(rows_[index].number);
        if (partial ? number.rfind(wanted, 0) == 0 : number == wanted) return int(index);
    }
    return -1;
}
