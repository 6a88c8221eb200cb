// The flow of each netdisk's check, called by checkShare (links/check_flow.cpp). Internal to
// the link checks. Room links/ (floor 2): platform-free.
#pragma once
#include <optional>
#include <string>

#include "links/check_flow.h"

// How long a netdisk that said "too often" is left alone.
inline constexpr int LIMITED_RETRY_SECONDS = 60;
// A browser's agent: some netdisks answer an unknown agent with a wall.
inline constexpr char BROWSER_AGENT[] =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/131.0.0.0 "
    "Safari/537.36";

CheckOutcome outcome(LinkState state, std::string code, std::string note);
// After a request that tells whether the share is there and wants a code: the outcome when the
// check ends with it (not Valid, no code wanted, or one wanted and none known; `note` names
// the request); nullopt when the link's code is to be tried next.
std::optional<CheckOutcome> endBeforeCode(LinkState state, bool wantsCode, const ShareLink& link, const char* note);
std::string contextDeviceId(CheckContext& context);
long long contextNowMs(const CheckContext& context);

CheckOutcome checkBaidu(const ShareLink& link, CheckContext& context);
CheckOutcome checkAliyun(const ShareLink& link, CheckContext& context);
CheckOutcome checkQuark(const ShareLink& link, CheckContext& context);  // and UC
CheckOutcome check115(const ShareLink& link, CheckContext& context);
CheckOutcome checkTianyi(const ShareLink& link, CheckContext& context);
CheckOutcome check123(const ShareLink& link, CheckContext& context);
CheckOutcome checkXunlei(const ShareLink& link, CheckContext& context);  // and PikPak
CheckOutcome check139(const ShareLink& link, CheckContext& context);
CheckOutcome checkLanzou(const ShareLink& link, CheckContext& context);
