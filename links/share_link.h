// Share links of the netdisks people share on today: which netdisk an address belongs to, the
// share's own id whatever form the link takes, and the extraction code (提取码) in the link or in
// the text around it. Texts are GBK, as everywhere inside the program.
// Room links/ (floor 2): platform-free here; uses text/ only.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class Netdisk {
    None,
    Baidu,
    Aliyun,
    Quark,
    Uc,
    Pan115,
    Tianyi,
    Pan123,
    Xunlei,
    Pan139,
    Lanzou,
    PikPak,
};

// Every known netdisk, in the order of the `today` service list.
inline constexpr Netdisk ALL_NETDISKS[] = {Netdisk::Baidu,  Netdisk::Aliyun, Netdisk::Quark,  Netdisk::Uc,
                                           Netdisk::Pan115, Netdisk::Tianyi, Netdisk::Pan123, Netdisk::Xunlei,
                                           Netdisk::Pan139, Netdisk::Lanzou, Netdisk::PikPak};

// The machine key ("baidu", "aliyun", "quark", "uc", "115", "tianyi", "123pan", "xunlei",
// "139", "lanzou", "pikpak"); "" for None.
const char* netdiskKey(Netdisk netdisk);
// The name users know it by ("百度网盘", ... GBK); "" for None.
const char* netdiskCaption(Netdisk netdisk);
// The netdisk of a machine key; None when unknown.
Netdisk netdiskByKey(std::string_view key);
// The netdisk a host belongs to (lower-case host, mirrors and sub-domains included); None when
// the host is no netdisk's.
Netdisk netdiskOfHost(std::string_view host);
// Every host the netdisk's links use (lower-case, without "www."), its search hosts first; a
// host's sub-domains belong to it too. 蓝奏云 also owns every other lanzou<letters>.com.
std::vector<std::string_view> netdiskHosts(Netdisk netdisk);
// The hosts a search of the netdisk asks the engine about (the first of netdiskHosts).
std::vector<std::string_view> netdiskSearchHosts(Netdisk netdisk);
// True when `code` is made of the letters and digits the netdisk's codes have, in their length.
bool codeFits(Netdisk netdisk, std::string_view code);

struct ShareLink {
    Netdisk netdisk = Netdisk::None;
    std::string url;    // the link as it stands, cut where it ends
    std::string share;  // the netdisk's own key for the share
    std::string code;   // the extraction code; "" when none is known
};

// One address read as a share link: its netdisk by host, its share id by that netdisk's URL
// forms and the code the address carries. nullopt when it is no share link of a known netdisk.
std::optional<ShareLink> readShareLink(std::string_view address);

// A code for a share of `netdisk` in the text shown with it (a title, a snippet): after one of
// the code keywords, obeying the netdisk's alphabet and length; never an archive password.
// "" when there is none.
std::string codeInText(Netdisk netdisk, std::string_view text);

// A hit of a search read as a share: the address's own code first, then the title's, then the
// snippet's. nullopt when the address is no share link.
std::optional<ShareLink> readHitShare(std::string_view address, std::string_view title, std::string_view snippet);

// A post's bytes (a file, standard input) as GBK text: UTF-8 with or without its byte-order mark
// when the bytes are valid UTF-8, UTF-16 with its byte-order mark, otherwise GBK as they are.
std::string postText(std::string_view bytes);

// Every share link standing in a text (a post, a chat log, a page's text), in the order they
// stand, each share once, each with the code that belongs to it ("" when none does).
std::vector<ShareLink> shareLinksInText(std::string_view text);

// The netdisk's own share text: "链接: URL 提取码: CODE" (just "链接: URL" without a code).
std::string shareText(const ShareLink& link);
// The share address with its code where the netdisk takes one in the address (?pwd=, ...);
// the address itself where it takes none or no code is known.
std::string linkWithCode(const ShareLink& link);
