// The link checks' transport over WinInet. Over a via address the redirects are followed here,
// one hop at a time, so that a redirect to a real host goes through the same address.
#include "links/web_transport.h"

#include <windows.h>

#include <wininet.h>

#include <chrono>

#include "http/canceller.h"
#include "http/url.h"
#include "http/web_request.h"
#include "links/check_crypto.h"

namespace {

// Every netdisk's checks in flight at once, with room to spare.
constexpr int CHECK_MAX_CONNECTIONS = 64;

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}


class WebTransport : public CheckTransport {
public:
    explicit WebTransport(std::string via) : via_(std::move(via)), crypto_(platformCrypto()) {}

    CheckAnswer fetch(const CheckRequest& request) override {
        // Over a via address every netdisk is one server. Raised here, on a checker thread: the
        // first call may load WinInet's session machinery.
        allowConnectionsPerServer(CHECK_MAX_CONNECTIONS);
        using Clock = std::chrono::steady_clock;
        const int budget = request.deadlineMs > 0 ? request.deadlineMs : CHECK_DEADLINE_MS;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(budget);
        std::string url = request.url;
        bool post = request.post;
        std::string body = request.body;
        CheckAnswer answer;
        for (int hop = 0;; ++hop) {
            const long long left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0 || canceller_.cancelled()) return CheckAnswer{};
            // Redirects are followed here when they must pass the via address too.
            const bool ownRedirects = !via_.empty() && request.followRedirects;
            WebRequestOptions options;
            options.method = post ? 1 : 0;
            options.postText = body;
            std::string headers = request.headers, cookies = request.cookies, received, raw, location;
            options.headers = &headers;
            options.cookies = &cookies;  // given, even empty: never the platform's cookie jar
            options.receivedCookies = &received;
            options.rawHeaders = &raw;
            options.redirectTarget = &location;
            options.noRedirect = ownRedirects || !request.followRedirects;
            options.maxRedirects = CHECK_MAX_REDIRECTS;
            options.maxBodyBytes = CHECK_MAX_BODY;
            options.deadlineMs = int(left);
            options.timeoutMs = int(left);
            options.canceller = &canceller_;
            WebRequestResult result;
            options.result = &result;
            answer = CheckAnswer{};
            answer.body = webRequest(viaAddress(url, via_), options);
            if (canceller_.cancelled() || result.status <= 0) return CheckAnswer{};
            switch (result.failure) {
                case RequestFailure::none:
                case RequestFailure::httpStatus:
                case RequestFailure::tooManyRedirects:
                    break;
                case RequestFailure::tooLarge:
                case RequestFailure::cutShort:
                    answer.whole = false;
                    break;
                default:
                    return CheckAnswer{};  // timed out or broken mid-answer: nothing to read
            }
            answer.arrived = true;
            answer.status = result.status;
            answer.setCookies = received;
            if (isRedirect(result.status) && location != raw) answer.location = location;
            if (!ownRedirects || !isRedirect(result.status) || answer.location.empty()) return answer;
            if (hop >= CHECK_MAX_REDIRECTS) return answer;
            url = resolveAddress(url, answer.location);
            if (post && result.status != 307 && result.status != 308) {
                post = false;
                body.clear();
            }
        }
    }

    void cancel() override { canceller_.cancel(); }
    CheckCrypto crypto() override { return crypto_; }

private:
    std::string via_;
    CheckCrypto crypto_;
    RequestCanceller canceller_;
};

}  // namespace

std::shared_ptr<CheckTransport> makeWebTransport(const std::string& via) {
    return std::make_shared<WebTransport>(via);
}
