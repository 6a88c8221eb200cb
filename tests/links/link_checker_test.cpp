// The checker's politeness and bounds over a scripted transport that takes its time: checks in
// flight per netdisk, 百度's spacing, one check per share and code, the back-off after a
// Limited answer, and cancel.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>

#include "links/link_checker.h"
#include "tests/links/check_fakes.h"

namespace {

using Clock = std::chrono::steady_clock;

// Answers after `delayMs`, counting the requests in flight per host; cancel() releases every
// request at once, as the platform's transport does.
class SlowTransport : public CheckTransport {
public:
    explicit SlowTransport(int delayMs) : delayMs_(delayMs) {}
    ScriptedNetdisk script;

    CheckAnswer fetch(const CheckRequest& request) override {
        const std::string host = request.url.substr(8, request.url.find('/', 8) - 8);
        {
            std::unique_lock lock(mutex_);
            starts_.push_back({host, Clock::now()});
            int& now = inFlight_[host];
            ++now;
            peak_[host] = std::max(peak_[host], now);
            changed_.wait_for(lock, std::chrono::milliseconds(delayMs_), [this] { return cancelled_; });
            --now;
            if (cancelled_) return CheckAnswer{};
        }
        return script.fetch(request);
    }
    void cancel() override {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        changed_.notify_all();
    }
    CheckCrypto crypto() override { return fakeCrypto(); }

    int peak(const std::string& host) {
        std::lock_guard lock(mutex_);
        return peak_[host];
    }
    std::vector<Clock::time_point> startsOf(const std::string& host) {
        std::lock_guard lock(mutex_);
        std::vector<Clock::time_point> times;
        for (auto& [h, t] : starts_) {
            if (h == host) times.push_back(t);
        }
        return times;
    }

private:
    int delayMs_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool cancelled_ = false;
    std::map<std::string, int> inFlight_, peak_;
    std::vector<std::pair<std::string, Clock::time_point>> starts_;
};

ShareLink share(Netdisk netdisk, const std::string& id, const std::string& code = "") {
    ShareLink l;
    l.netdisk = netdisk;
    l.share = id;
    l.code = code;
    l.url = "https://x/s/" + id;
    return l;
}

// Collects outcomes by share id.
struct Results {
    std::mutex mutex;
    std::map<std::string, std::vector<LinkState>> states;
    CheckCallback callback() {
        return [this](const ShareLink& link, const CheckOutcome& outcome) {
            std::lock_guard lock(mutex);
            states[link.share].push_back(outcome.state);
        };
    }
};

TEST(LinkChecker, AtMostTheAllowanceInFlightPerNetdiskAndEveryCheckAnswered) {
    auto transport = std::make_shared<SlowTransport>(60);
    transport->script.on("webapi.115.com", 200, R"({"state":true,"errno":0,"data":{"shareinfo":{"share_state":"1"}}})");
    transport->script.on("api.aliyundrive.com/adrive", 200, R"({"share_name":"a","creator_id":"c"})");
    transport->script.on("api.aliyundrive.com/v2", 200, R"({"share_token":"t"})");
    Results results;
    {
        LinkChecker checker(transport, CheckerOptions{3});
        for (int i = 0; i < 12; ++i) {
            checker.submit(share(Netdisk::Pan115, "s" + std::to_string(i)), results.callback());
            checker.submit(share(Netdisk::Aliyun, "a" + std::to_string(i)), results.callback());
        }
        ASSERT_TRUE(checker.wait(20000));
        EXPECT_EQ(checker.pending(), 0u);
    }
    EXPECT_EQ(transport->peak("webapi.115.com"), 3);
    // Two netdisks at once: the one does not wait for the other.
    EXPECT_EQ(transport->peak("api.aliyundrive.com"), 3);
    ASSERT_EQ(results.states.size(), 24u);
    for (auto& [id, states] : results.states) {
        ASSERT_EQ(states.size(), 1u) << id;
        EXPECT_EQ(states[0], LinkState::Valid) << id;
    }
}

TEST(LinkChecker, BaiduStartsAreSpaced) {
    auto transport = std::make_shared<SlowTransport>(10);
    transport->script.on("pan.baidu.com/share/list", 200, R"({"errno":0,"list":[{"a":1}]})");
    CheckerOptions options;
    options.baiduSpacingMs = 150;
    LinkChecker checker(transport, options);
    Results results;
    for (int i = 0; i < 5; ++i) checker.submit(share(Netdisk::Baidu, "b" + std::to_string(i)), results.callback());
    ASSERT_TRUE(checker.wait(10000));
    auto starts = transport->startsOf("pan.baidu.com");
    ASSERT_EQ(starts.size(), 5u);
    for (size_t i = 1; i < starts.size(); ++i) {
        EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(starts[i] - starts[i - 1]).count(), 145)
            << "start " << i;
    }
}

TEST(LinkChecker, TheSameShareAndCodeIsCheckedOnce) {
    auto transport = std::make_shared<SlowTransport>(50);
    transport->script.on("webapi.115.com", 200, R"({"state":false,"errno":4100010,"error":"分享已取消"})");
    LinkChecker checker(transport);
    Results results;
    for (int i = 0; i < 3; ++i) checker.submit(share(Netdisk::Pan115, "dup", "ab12"), results.callback());
    ASSERT_TRUE(checker.wait(5000));
    checker.submit(share(Netdisk::Pan115, "dup", "ab12"), results.callback());  // from the cache
    checker.submit(share(Netdisk::Pan115, "dup", "cd34"), results.callback());  // another code: asked
    ASSERT_TRUE(checker.wait(5000));
    EXPECT_EQ(transport->script.count("share_code=dup&receive_code=ab12"), 1u);
    EXPECT_EQ(transport->script.count("share_code=dup&receive_code=cd34"), 1u);
    EXPECT_EQ(results.states["dup"], std::vector<LinkState>(5, LinkState::Cancelled));
}

TEST(LinkChecker, ALimitedNetdiskIsLeftAloneOthersGoOn) {
    auto transport = std::make_shared<SlowTransport>(20);
    transport->script.on("drive-h.quark.cn", 429, R"({"status":429,"code":42900,"message":"请求过于频繁"})");
    transport->script.on("webapi.115.com", 200, R"({"state":true,"errno":0,"data":{"shareinfo":{"share_state":"1"}}})");
    CheckerOptions options;
    options.maxInFlight = 1;
    LinkChecker checker(transport, options);
    Results results;
    for (int i = 0; i < 6; ++i) {
        checker.submit(share(Netdisk::Quark, "q" + std::to_string(i)), results.callback());
        checker.submit(share(Netdisk::Pan115, "p" + std::to_string(i)), results.callback());
    }
    ASSERT_TRUE(checker.wait(10000));
    EXPECT_EQ(transport->script.count("drive-h.quark.cn"), 1u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(results.states["q" + std::to_string(i)].at(0), LinkState::Limited);
        EXPECT_EQ(results.states["p" + std::to_string(i)].at(0), LinkState::Valid);
    }
}

TEST(LinkChecker, CancelEndsRunningAndQueuedChecksAtOnce) {
    auto transport = std::make_shared<SlowTransport>(60000);  // answers never come by themselves
    LinkChecker checker(transport);
    Results results;
    for (int i = 0; i < 40; ++i) checker.submit(share(ALL_NETDISKS[i % 11], "c" + std::to_string(i)), results.callback());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const Clock::time_point start = Clock::now();
    checker.cancel();
    ASSERT_TRUE(checker.wait(3000));
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 3000);
    EXPECT_EQ(results.states.size(), 40u);
    for (auto& [id, states] : results.states) EXPECT_EQ(states.at(0), LinkState::Unknown) << id;
    // After cancel, a submit is answered at once and asks nothing.
    checker.submit(share(Netdisk::Pan115, "late"), results.callback());
    EXPECT_EQ(results.states["late"].at(0), LinkState::Unknown);
}

TEST(LinkChecker, ALinkOfNoNetdiskIsUnknownWithoutARequest) {
    auto transport = std::make_shared<SlowTransport>(10);
    LinkChecker checker(transport);
    Results results;
    ShareLink none;
    none.url = "https://example.com/file";
    none.share = "file";
    checker.submit(none, results.callback());
    ASSERT_TRUE(checker.wait(3000));
    EXPECT_EQ(results.states["file"].at(0), LinkState::Unknown);
    EXPECT_EQ(transport->script.requests().size(), 0u);
}

}  // namespace
