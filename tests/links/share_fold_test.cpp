// Folding rows of the same share: which rows stay, which code a kept row ends with, and the rows
// that must never fold.
#include <gtest/gtest.h>

#include "links/share_fold.h"
#include "links/share_link.h"

namespace {

std::optional<ShareLink> share(Netdisk netdisk, std::string id, std::string code = "") {
    ShareLink link;
    link.netdisk = netdisk;
    link.share = std::move(id);
    link.code = std::move(code);
    link.url = "u";
    return link;
}

TEST(ShareFold, FirstRowStaysAndALaterCodeFillsOnlyAMissingOne) {
    std::vector<std::optional<ShareLink>> rows = {
        share(Netdisk::Baidu, "abc"),           // 0: listed, no code yet
        std::nullopt,                           // 1: no share
        share(Netdisk::Baidu, "abc", "x1y2"),   // folds into 0, fills its code
        share(Netdisk::Quark, "abc"),           // 2: same id, another netdisk
        share(Netdisk::Baidu, "abc", "zzzz"),   // folds into 0, the first code stays
        share(Netdisk::Baidu, "ABC"),           // 3: ids are case-sensitive (Baidu's surl is)
        std::nullopt,                           // 4: no share is never folded, even twice
        share(Netdisk::Lanzou, ""),             // 5: a share without an id stands alone
        share(Netdisk::Lanzou, ""),             // 6
        share(Netdisk::Quark, "abc", "q9"),     // folds into 2
    };
    std::vector<std::string> codes;
    std::vector<size_t> listed = foldShares(rows, &codes);
    EXPECT_EQ(listed, (std::vector<size_t>{0, 1, 0, 2, 0, 3, 4, 5, 6, 2}));
    // Seven listed rows, numbered 1..7 without gaps, with the codes their repeats brought.
    EXPECT_EQ(codes, (std::vector<std::string>{"x1y2", "", "q9", "", "", "", ""}));
}

TEST(ShareFold, OfferTellsTheWindowWhatToDoWithEachRow) {
    ShareFold fold;
    ShareFold::Outcome a = fold.offer(share(Netdisk::Aliyun, "s1"));
    EXPECT_TRUE(a.listed);
    EXPECT_EQ(a.row, 0u);
    ShareFold::Outcome b = fold.offer(share(Netdisk::Aliyun, "s1", "ni5u"));
    EXPECT_FALSE(b.listed);
    EXPECT_EQ(b.row, 0u);
    EXPECT_TRUE(b.codeFilled);
    EXPECT_EQ(fold.code(0), "ni5u");
    ShareFold::Outcome c = fold.offer(share(Netdisk::Aliyun, "s1", "ni5u"));
    EXPECT_FALSE(c.listed);
    EXPECT_FALSE(c.codeFilled);  // nothing new for the row
    EXPECT_EQ(fold.rows(), 1u);
    fold.clear();  // a new search starts with nothing seen
    EXPECT_TRUE(fold.offer(share(Netdisk::Aliyun, "s1")).listed);
    EXPECT_EQ(fold.code(7), "");
}

TEST(ShareFold, OneShareInTheFormsItsNetdiskWritesFoldsToOneRow) {
    std::vector<std::optional<ShareLink>> rows = {
        readHitShare("https://pan.baidu.com/s/1AbCdEf", "资料", ""),
        readHitShare("https://pan.baidu.com/share/init?surl=AbCdEf&pwd=k3m9", "资料", ""),
        readHitShare("https://www.aliyundrive.com/s/Qw3rTy7uI9o", "剧集", "提取码: ab12"),
        readHitShare("https://www.alipan.com/s/Qw3rTy7uI9o", "剧集", ""),
        readHitShare("https://example.com/s/1AbCdEf", "别处", ""),
    };
    ASSERT_TRUE(rows[0] && rows[1] && rows[2] && rows[3]);
    EXPECT_FALSE(rows[4]);
    std::vector<std::string> codes;
    EXPECT_EQ(foldShares(rows, &codes), (std::vector<size_t>{0, 0, 1, 1, 2}));
    EXPECT_EQ(codes, (std::vector<std::string>{"k3m9", "ab12", ""}));
}

}  // namespace
