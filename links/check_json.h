// The JSON reading the link checks share: a netdisk body parsed without exceptions, and its
// fields read as GBK texts or numbers whatever type the netdisk chose for them today.
// Room links/ (floor 2): platform-free; uses text/ and nlohmann-json.
#pragma once
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "links/check_flow.h"

// The parsed body; a discarded value when it is no JSON (a broken body reads as nothing).
nlohmann::json parseBody(std::string_view body);
// The body of an answer, parsed; a discarded value when nothing arrived. A reader takes what
// is no object as unreadableAnswer.
nlohmann::json answerBody(const CheckAnswer& answer);
// A member of an object: null when `value` is no object or has no such member.
const nlohmann::json& member(const nlohmann::json& value, std::string_view key);
// A string, a number or a boolean as text (strings converted from UTF-8 to GBK); "" otherwise.
std::string fieldText(const nlohmann::json& value, std::string_view key);
// A number, or a string holding one; `fallback` otherwise.
long long fieldNumber(const nlohmann::json& value, std::string_view key, long long fallback);
// True for a member that holds something: a non-empty string, array or object, a number, true.
bool fieldPresent(const nlohmann::json& value, std::string_view key);
// The JSON text of a GBK string (quoted, escaped, UTF-8).
std::string jsonString(std::string_view gbk);
