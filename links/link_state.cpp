// The states a link check reports: their jsonl keys and their captions in the 状态 column.
// Room links/: platform-free.
#include "links/link_state.h"

#include "links/keyed_table.h"

namespace {

struct StateEntry {
    LinkState value;
    const char* key;
    const char* caption;
};

const StateEntry STATES[] = {
    {LinkState::Valid, "valid", "有效"},          {LinkState::NeedsCode, "needs_code", "需提取码"},
    {LinkState::WrongCode, "wrong_code", "提取码错误"}, {LinkState::Expired, "expired", "已过期"},
    {LinkState::Cancelled, "cancelled", "已取消"},  {LinkState::Banned, "banned", "已封禁"},
    {LinkState::NotFound, "not_found", "不存在"},   {LinkState::Limited, "limited", "受限"},
    {LinkState::Unknown, "unknown", "未知"},
};

}  // namespace

const char* linkStateKey(LinkState state) {
    return keyOfValue(STATES, state);
}

const char* linkStateCaption(LinkState state) {
    return captionOfValue(STATES, state);
}

LinkState linkStateByKey(std::string_view key) {
    return valueOfKey(STATES, key, LinkState::Unchecked);
}

bool isDeadState(LinkState state) {
    return state == LinkState::Expired || state == LinkState::Cancelled || state == LinkState::Banned ||
           state == LinkState::NotFound;
}
