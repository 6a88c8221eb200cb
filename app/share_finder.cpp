// The share reader offered to the search. See share_finder.h.
#include "app/share_finder.h"

#include "http/url.h"
#include "links/page_fetch.h"
#include "links/page_text.h"
#include "links/share_link.h"
#include "search/query.h"
#include "text/text.h"

namespace {

// A link the engine cut short in its snippet ("https://pan.quark.cn/s/3f8a...") names no share
// whole: it is read from the page behind instead.
bool cutByEngine(std::string_view text, std::string_view url) {
    size_t at = text.find(url);
    if (at == std::string_view::npos) return false;
    std::string_view after = text.substr(at + url.size());
    return after.substr(0, 3) == "..." || after.substr(0, 2) == "…";
}

// Addresses on a host that is no known netdisk's (the classic list's services): every
// "http(s)://" address on that host or below it, without a code.
std::vector<MentionedShare> addressesOnHost(std::string_view host, std::string_view text) {
    std::vector<MentionedShare> found;
    for (size_t at = text.find("http"); at != std::string_view::npos; at = text.find("http", at + 4)) {
        size_t end = at;
        while (end < text.size() && static_cast<unsigned char>(text[end]) > 0x20 &&
               static_cast<unsigned char>(text[end]) < 0x80 && text[end] != '"' && text[end] != '\'' &&
               text[end] != '<' && text[end] != '>')
            ++end;
        std::string url(text.substr(at, end - at));
        if (url.compare(0, 7, "http://") != 0 && url.compare(0, 8, "https://") != 0) continue;
        std::string urlHostName = urlHost(url);
        bool onHost = urlHostName == host || (urlHostName.size() > host.size() &&
                                              urlHostName.compare(urlHostName.size() - host.size(), host.size(), host) == 0 &&
                                              urlHostName[urlHostName.size() - host.size() - 1] == '.');
        if (!onHost || cutByEngine(text, url)) continue;
        bool again = false;
        for (const MentionedShare& share : found) again = again || share.url == url;
        if (!again) found.push_back(MentionedShare{url, "", ""});
    }
    return found;
}

std::vector<MentionedShare> sharesOf(Netdisk netdisk, std::string_view text) {
    std::vector<MentionedShare> found;
    for (const ShareLink& link : shareLinksInText(text)) {
        if (link.netdisk != netdisk || cutByEngine(text, link.url)) continue;
        found.push_back(MentionedShare{link.url, link.code, ""});
    }
    return found;
}

}  // namespace

std::vector<MentionedShare> LinksShareFinder::inText(std::string_view serviceHost, std::string_view text) {
    Netdisk netdisk = netdiskOfHost(asciiLower(serviceHost));
    if (netdisk == Netdisk::None) return addressesOnHost(asciiLower(serviceHost), text);
    return sharesOf(netdisk, text);
}

bool LinksShareFinder::isNetdiskAddress(std::string_view address) {
    if (address.compare(0, 7, "http://") != 0 && address.compare(0, 8, "https://") != 0) return false;
    return netdiskOfHost(urlHost(address)) != Netdisk::None;
}

std::vector<MentionPage> LinksShareFinder::inPages(std::string_view serviceHost, const std::vector<std::string>& urls,
                                                   RequestCanceller* canceller) {
    const std::string host = asciiLower(serviceHost);
    const Netdisk netdisk = netdiskOfHost(host);
    PageFetchOptions options;
    options.canceller = canceller;
    if (engineHost() != DEFAULT_ENGINE_HOST) options.via = engineHost();
    std::vector<MentionPage> read(urls.size());
    // Each page is read on the thread that fetched it and let go at once: only its shares stay.
    std::vector<FetchedPage> pages = fetchMentionPages(urls, options, [&](size_t index, FetchedPage& page) {
        MentionPage& out = read[index];
        if (netdisk == Netdisk::None) {
            for (const PageBlock& block : pageBlocks(page.text)) {
                for (MentionedShare& share : addressesOnHost(host, block.text)) out.shares.push_back(std::move(share));
            }
        } else {
            for (PageShare& share : sharesInPage(page.text)) {
                if (share.link.netdisk != netdisk) continue;
                out.shares.push_back(MentionedShare{share.link.url, share.link.code, share.name});
            }
        }
        std::string().swap(page.text);
    });
    for (size_t i = 0; i < pages.size(); ++i) read[i].failure = pages[i].failure;
    return read;
}

void useLinksShareFinder() {
    static LinksShareFinder finder;
    setShareFinder(&finder);
}
