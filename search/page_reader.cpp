#include "search/page_reader.h"

#include "text/text.h"
#include "search/services.h"
#include "search/worker.h"

namespace {

bool containsAny(std::string_view text, const std::vector<std::string>& needles) {
    for (const std::string& needle : needles) {
        if (!needle.empty() && findNoCase(text, needle) != std::string_view::npos) return true;
    }
    return false;
}

bool isWebAddress(std::string_view address) {
    return !addressHost(address).empty();
}

// The engine's own domain, the name registered under a public suffix: the last two labels of its
// host ("baidu.com" of "www.baidu.com"), three under a country's second level ("so.com.cn",
// "example.co.uk"); "" for an address of numbers.
std::string engineDomain(std::string_view host) {
    if (host.find_first_not_of("0123456789.:") == std::string_view::npos) return {};
    std::vector<std::string> labels = splitText(asciiLower(host), ".");
    size_t keep = 2;
    if (labels.size() >= 3 && labels.back().size() == 2) {
        const std::string& second = labels[labels.size() - 2];
        for (const char* generic : {"com", "net", "org", "gov", "edu", "co", "ac", "or", "ne", "go"}) {
            if (second == generic) keep = 3;
        }
    }
    if (labels.size() <= keep) return asciiLower(host);
    std::string domain;
    for (size_t i = labels.size() - keep; i < labels.size(); ++i) domain += (domain.empty() ? "" : ".") + labels[i];
    return domain;
}

}  // namespace

const std::string& classicPattern() {
    static const std::string pattern = [] {
        RegexObject probe;
        probe.run("a.b", "a\rb");
        if (probe.matchCount() == 1) return std::string(RESULT_PATTERN);
        return replaceAll(RESULT_PATTERN, "(.*?)", "([^\n]*?)");
    }();
    return pattern;
}

PageReader::PageReader(const EngineProfile& profile) : profile_(profile) {}

bool PageReader::match(RegexObject& re, bool& compiled, const std::string& pattern, const std::string& subject) {
    if (compiled) return re.execute(subject);
    compiled = re.run(pattern, subject);
    return compiled;
}

PageRead PageReader::read(const std::string& page) {
    PageRead read;
    if (profile_.classic) {
        readClassic(page, read);
    } else {
        readProfile(page, read);
    }
    return read;
}

// The fixed pattern runs only on the candidates; a global run over the page would find the
// same matches but takes time growing with the square of a long line. Candidates that share a
// line are merged, so the global match goes on from where the last one ended exactly as on the
// page, and the pieces are joined by a line the pattern cannot cross (its middle needs two tabs
// after the line feed), so one run serves the whole page.
void PageReader::readClassic(const std::string& page, PageRead& read) {
    std::string subject;
    size_t end = 0;
    for (const TextRange& candidate : classicCandidates(page)) {
        if (!subject.empty() && candidate.begin < end) {
            subject.append(page, end, candidate.end - end);
        } else {
            if (!subject.empty()) subject += "\n\x01\n";
            subject.append(page, candidate.begin, candidate.end - candidate.begin);
        }
        end = candidate.end;
    }
    if (!subject.empty() && match(result_, resultCompiled_, classicPattern(), subject)) {
        int count = result_.matchCount();
        for (int i = 1; i <= count; ++i) {
            FoundResult found;
            found.title = replaceAll(replaceAll(result_.subMatchText(i, 2), "<em>", ""), "</em>", "");
            found.address = result_.subMatchText(i, 1);
            read.results.push_back(std::move(found));
        }
    }
    read.next = findText(page, NEXT_PAGE_MARKER) >= 1;
    // The engine's robot check, so that an empty list is not taken for "nothing found".
    read.wall = read.results.empty() && findText(page, "百度安全验证") >= 1;
}

void PageReader::readProfile(const std::string& page, PageRead& read) {
    std::vector<TextRange> blocks;
    if (profile_.block.empty()) {
        blocks.push_back({0, page.size()});
    } else {
        blocks = resultBlocks(page, profile_.block, RESULT_BLOCK_CAP);
    }
    std::vector<std::string> skips = splitText(profile_.skip, "|");
    for (const TextRange& block : blocks) {
        std::string text = page.substr(block.begin, block.end - block.begin);
        // Only the container's own tag says what kind of box it is.
        if (containsAny(std::string_view(text).substr(0, text.find('>')), skips)) continue;
        if (!match(result_, resultCompiled_, profile_.result, text)) continue;
        int count = result_.matchCount();
        // A container holds one result: its first title link. Without containers every match
        // is one.
        if (!profile_.block.empty()) count = std::min(count, 1);
        std::string real;
        if (count > 0 && !profile_.real.empty() && match(real_, realCompiled_, profile_.real, text) &&
            real_.matchCount() > 0) {
            real = trimSpaces(decodeReferences(real_.subMatchText(1, 1)));
        }
        std::string snippet;
        if (count > 0 && !profile_.block.empty() && !profile_.snippet.empty() &&
            match(snippet_, snippetCompiled_, profile_.snippet, text) && snippet_.matchCount() > 0) {
            snippet = oneLine(cleanTitle(snippet_.subMatchText(1, 1)));
        }
        for (int i = 1; i <= count; ++i) {
            read.results.push_back(foundResult(result_.subMatchText(i, 1), result_.subMatchText(i, 2), real));
            read.results.back().snippet = snippet;
        }
    }
    if (!read.results.empty()) readNext(page, read);
    read.wall = read.results.empty() && containsAny(page, profile_.walls);
}

FoundResult PageReader::foundResult(const std::string& rawLink, const std::string& rawTitle,
                                    const std::string& real) const {
    FoundResult found;
    found.title = cleanTitle(rawTitle);
    const std::string origin = profile_.scheme + "://" + profile_.host;
    std::string link = absoluteLink(trimSpaces(decodeReferences(rawLink)), origin, profile_.scheme);
    bool placeholder = !profile_.realIgnore.empty() && findNoCase(real, profile_.realIgnore) != std::string::npos;
    // A page of the engine's own (a light app, an article of its own site) is not where the
    // result leads: the redirect link knows the target. The engine's netdisk is a service.
    const std::string domain = engineDomain(profile_.host);
    if (!domain.empty() && hostBelongs(real, domain) && !isServiceHost(addressHost(real))) placeholder = true;
    if (isWebAddress(real) && !placeholder) {
        found.address = real;
        return found;
    }
    found.address = link;
    if (profile_.redirect.empty() || findNoCase(link, profile_.redirect) == std::string::npos) return found;
    if (!profile_.redirectKey.empty()) {
        std::string value = queryValue(link, profile_.redirectKey);
        std::string decoded;
        if (profile_.redirectEncoding == LinkEncoding::Base64A1) {
            value = percentDecode(value);
            if (value.rfind("a1", 0) == 0) decoded = base64UrlDecode(value.substr(2));
        } else {
            decoded = percentDecode(value);
        }
        if (isWebAddress(decoded)) {
            found.address = decoded;
            return found;
        }
    }
    found.redirect = true;
    return found;
}

void PageReader::readNext(const std::string& page, PageRead& read) {
    if (profile_.nextAnchor.empty()) return;
    for (const TextRange& window : anchorWindows(page, profile_.nextAnchor, 2048, 1024)) {
        if (profile_.next.empty()) {
            read.next = true;
            break;
        }
        std::string text = page.substr(window.begin, window.end - window.begin);
        if (!match(next_, nextCompiled_, profile_.next, text) || next_.matchCount() == 0) continue;
        int position = -2;
        std::string tag = next_.matchText(1, &position);
        read.next = true;
        read.nextLink = trimSpaces(decodeReferences(tagAttribute(tag, "href")));
        if (profile_.paging == Paging::Form && position >= 0) read.nextForm = enclosingForm(page, window.begin + size_t(position));
        break;
    }
}
