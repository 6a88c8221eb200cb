// Rows that name the same share folded into one ("合并重复链接", quorrel-cli search --unique): the
// same netdisk and share id is listed once, the first row stays, and a later occurrence that
// carries a code the first lacked fills it in. Addresses that are no share are never folded.
// Room links/: platform-free; uses share_link.h only.
#pragma once
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "links/share_link.h"

class ShareFold {
public:
    // What became of one offered row.
    struct Outcome {
        bool listed = true;     // a row of its own, numbered rows() after this call
        size_t row = 0;         // the listed row (0-based): its own, or the one it folds into
        bool codeFilled = false;  // folded, and its code now stands in that row
    };

    // Offers the next row in list order; `share` is its address read as a share (nullopt or
    // Netdisk::None when it is none).
    Outcome offer(const std::optional<ShareLink>& share);
    // The code the listed row `row` carries now ("" when none or no share).
    const std::string& code(size_t row) const;
    // Rows listed so far.
    size_t rows() const { return codes_.size(); }
    void clear();

private:
    std::map<std::pair<Netdisk, std::string>, size_t> first_;  // share -> its listed row
    std::vector<std::string> codes_;                            // per listed row
};

// A whole list folded at once: for every row of `shares` in order, the listed row it went to
// (0-based); `codes` (optional) gets the code of each listed row.
std::vector<size_t> foldShares(const std::vector<std::optional<ShareLink>>& shares,
                               std::vector<std::string>* codes = nullptr);
