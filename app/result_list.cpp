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
        if (outcome.row < shown_) SendMessageW(list_, LVM_REDRAWITEMS, WPARAM(outcome.row), LPARAM(outcome.row));
    }
    return true;
}

void ResultList::append(const std::vector<Hit>& hits, int& counter) {
    if (hits.empty()) return;
    rows_.reserve(rows_.size() + hits.size());
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
    bool shares = columns_ == ListColumns::Today;
    for (const Row& row : rows_) {
        out.push_back({row.title, row.address, shares ? row.code : std::string(),
                       shares ? std::string(linkStateCaption(row.state)) : std::string()});
    }
    return out;
}

const ResultList::Row* ResultList::selectedRow() const {
    int index = int(SendMessageW(list_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    if (index < 0 || size_t(index) >= rows_.size()) return nullptr;
    return &rows_[size_t(index)];
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
