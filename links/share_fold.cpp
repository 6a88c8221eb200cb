// Folding rows of the same share. Room links/: platform-free.
#include "links/share_fold.h"

ShareFold::Outcome ShareFold::offer(const std::optional<ShareLink>& share) {
    Outcome outcome;
    // An address that is no share, or a share whose id could not be read, stands alone.
    if (share && share->netdisk != Netdisk::None && !share->share.empty()) {
        auto [it, fresh] = first_.emplace(std::make_pair(share->netdisk, share->share), codes_.size());
        if (!fresh) {
            outcome.listed = false;
            outcome.row = it->second;
            if (codes_[it->second].empty() && !share->code.empty()) {
                codes_[it->second] = share->code;
                outcome.codeFilled = true;
            }
            return outcome;
        }
    }
    outcome.row = codes_.size();
    codes_.push_back(share ? share->code : std::string());
    return outcome;
}

const std::string& ShareFold::code(size_t row) const {
    static const std::string none;
    return row < codes_.size() ? codes_[row] : none;
}

void ShareFold::clear() {
    first_.clear();
    codes_.clear();
}

std::vector<size_t> foldShares(const std::vector<std::optional<ShareLink>>& shares, std::vector<std::string>* codes) {
    ShareFold fold;
    std::vector<size_t> rows;
    rows.reserve(shares.size());
    for (const std::optional<ShareLink>& share : shares) rows.push_back(fold.offer(share).row);
    if (codes) {
        codes->clear();
        for (size_t i = 0; i < fold.rows(); ++i) codes->push_back(fold.code(i));
    }
    return rows;
}
