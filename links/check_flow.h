// How one share is checked: the requests a netdisk is asked, in order, and its answers read
// into one LinkState. The flows only describe requests and read answers; the exchange itself,
// the hashing and the cipher come from the caller (CheckContext), so all of this is
// platform-free and the same flows run against the real netdisks, the simulator and the tests'
// scripted answers. Texts inside are GBK; netdisk bodies are UTF-8 and are converted where read.
// Room links/ (floor 2): uses text/ and nlohmann-json only.
#pragma once
#include <chrono>
#include <functional>
#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "links/link_state.h"
#include "links/share_link.h"

// One request of a check, addressed to the netdisk's real host (https).
struct CheckRequest {
    std::string url;
    bool post = false;
    std::string body;                // sent as it is
    std::string headers;             // extra header lines, each ended by CRLF
    std::string cookies;             // "name=value; name=value", "" for none
    bool followRedirects = true;     // false: a redirect comes back as the answer
    int deadlineMs = 0;              // what is left of the check's time; 0: the transport's own
};

// What came back. `arrived` is false when no status line came at all (refused, reset,
// time-out, cancelled): such an answer is never evidence of anything.
struct CheckAnswer {
    bool arrived = false;
    int status = 0;
    std::string body;        // as received, also on 4xx/5xx
    std::string location;    // Location of a redirect that was not followed
    std::string setCookies;  // pairs of the Set-Cookie lines, "name=value; ..."
    bool whole = true;       // false: cut short or past the body cap
};

using CheckFetch = std::function<CheckAnswer(const CheckRequest&)>;

// The platform's hashing and cipher (CNG on Windows; a test may script them).
struct CheckCrypto {
    // Lower-case hex MD5 of the bytes.
    std::function<std::string(std::string_view bytes)> md5Hex;
    // AES-128-CBC with PKCS#7 padding; "" / nullopt on failure (a wrong padding included).
    std::function<std::string(std::string_view key, std::string_view iv, std::string_view plain)> aesEncrypt;
    std::function<std::optional<std::string>(std::string_view key, std::string_view iv, std::string_view cipher)>
        aesDecrypt;
    // `count` random bytes.
    std::function<std::string(size_t count)> randomBytes;
};

// The captcha tokens of 迅雷 and PikPak: one anonymous token serves many checks while it lives,
// so it is asked for once and shared. Thread-safe.
class CaptchaTokens {
public:
    using Clock = std::chrono::steady_clock;
    // The live token of the netdisk, "" when there is none.
    std::string get(Netdisk netdisk, Clock::time_point now) const;
    void put(Netdisk netdisk, std::string token, Clock::time_point expires);
    // Forgets `token` when it is still the netdisk's token (the netdisk refused it).
    void drop(Netdisk netdisk, const std::string& token);
    // Held while one check asks for a new token, so checks at once do not each ask.
    std::mutex& askLock(Netdisk netdisk);
    int asked(Netdisk netdisk) const;  // tokens asked for so far
    void countAsk(Netdisk netdisk);

private:
    struct Entry {
        std::string token;
        Clock::time_point expires;
        int asked = 0;
    };
    mutable std::mutex mutex_;
    std::map<Netdisk, Entry> entries_;
    std::map<Netdisk, std::mutex> askLocks_;
};

// The codes tried on each 百度 share: three tries in a row lock the share behind a captcha, so a
// share never gets more than two. Thread-safe.
class CodeTries {
public:
    static constexpr int MAX_TRIES = 2;
    // Counts a try of `code` on `share`; false when the share had its tries or this code was
    // already refused there (a wrong code is never sent again).
    bool take(const std::string& share, const std::string& code);
    void refused(const std::string& share, const std::string& code);
    bool refusedBefore(const std::string& share, const std::string& code) const;
    int tries(const std::string& share) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, int> tries_;
    std::map<std::string, bool> refused_;  // share + '\n' + code
};

struct CheckContext {
    CheckFetch fetch;
    CheckCrypto crypto;
    CaptchaTokens* tokens = nullptr;  // required for 迅雷 and PikPak
    CodeTries* codeTries = nullptr;   // required for 百度
    std::string deviceId;             // 32 lower-case hex; made up when empty
    // Milliseconds since 1970, for the time stamps some requests carry.
    std::function<long long()> epochMs;
};

// What a check found.
struct CheckOutcome {
    LinkState state = LinkState::Unknown;
    std::string code;         // the code the check used ("" for none)
    int retryAfterSeconds = 0;  // for Limited: when asking again makes sense
    std::string note;         // a short reason (English, ASCII), for logs and tests
};

// Runs the netdisk's check of `link`: every request through context.fetch.
CheckOutcome checkShare(const ShareLink& link, CheckContext& context);

// ---- pieces the flows share (also used by the simulator and the tests) ----

// Percent-encoding of a query value (unreserved characters stay).
std::string queryEscape(std::string_view text);
// Standard base64 with padding, and back (nullopt for anything that is not base64).
std::string base64Encode(std::string_view bytes);
std::optional<std::string> base64Decode(std::string_view text);
// A text rule: an answer whose message holds `marker` (GBK) means `state`.
struct MessageRule {
    const char* marker;
    LinkState state;
};
// The state of the first rule whose marker stands in `message` (GBK); nullopt when none does.
std::optional<LinkState> stateFromMessage(std::string_view message, const MessageRule* rules, size_t count);
template <size_t N>
std::optional<LinkState> stateFromMessage(std::string_view message, const MessageRule (&rules)[N]) {
    return stateFromMessage(message, rules, N);
}
// A netdisk's message read in the order every netdisk needs: "too often" (Limited) first, then
// a marker of `codeMarkers` (the code is missing, or wrong when `codeSent`), then the first
// rule that holds; nullopt when it says none of these.
std::optional<LinkState> messageState(std::string_view message, const MessageRule* rules, size_t count,
                                      std::initializer_list<const char*> codeMarkers, bool codeSent);
template <size_t N>
std::optional<LinkState> messageState(std::string_view message, const MessageRule (&rules)[N],
                                      std::initializer_list<const char*> codeMarkers = {}, bool codeSent = false) {
    return messageState(message, rules, N, codeMarkers, codeSent);
}
// A netdisk's own code for a state (a name or a number) in a table of its codes.
template <class Key>
struct CodeRule {
    Key code;
    LinkState state;
};
// The state `code` stands for in `rules`; nullopt when it is none of them.
template <class Key, class Code, size_t N>
std::optional<LinkState> stateFromCode(const Code& code, const CodeRule<Key> (&rules)[N]) {
    for (const CodeRule<Key>& rule : rules) {
        if (code == rule.code) return rule.state;
    }
    return std::nullopt;
}
// The address a request takes over --netdisk-via=HOST:PORT: plain HTTP to that address with
// the real host as the first path segment ("https://a.b/p?q" -> "http://HOST:PORT/a.b/p?q").
// The URL itself when `via` is empty.
std::string viaAddress(std::string_view url, std::string_view via);
// Whether `via` is a HOST:PORT such an address can take: a host without "/" and a port of
// 1 to 65535 written in digits. The window and both commands take --netdisk-via by this.
bool isViaAddress(std::string_view via);
// The markers every netdisk uses for "too often" / captcha walls.
bool looksRateLimited(std::string_view messageGbk);
