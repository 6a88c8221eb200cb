// What a check found of one share link. Room links/, platform-free.
#pragma once
#include <string_view>

enum class LinkState {
    Unchecked,  // no check has answered (yet)
    Valid,
    NeedsCode,
    WrongCode,
    Expired,
    Cancelled,
    Banned,
    NotFound,
    Limited,
    Unknown,
};

// The key of --format=jsonl ("valid", "needs_code", ...); "" for Unchecked (written as null).
const char* linkStateKey(LinkState state);
// The 状态 column's text ("有效", "需提取码", ... GBK); "" for Unchecked.
const char* linkStateCaption(LinkState state);
// The state of a key; Unchecked when unknown.
LinkState linkStateByKey(std::string_view key);
// Expired, cancelled, banned or not found: the share is gone ("隐藏失效链接" hides these).
bool isDeadState(LinkState state);
