// Reading a search request's target as the engine sees it: the site it asks for and the
// numbers of its parameters. Used by the search tests' own engines on 127.0.0.1.
#pragma once

#include <cstdlib>
#include <string>

// The host after "site%3A" up to the blank before the keyword; "" when there is none.
inline std::string siteInQuery(const std::string& target) {
    size_t at = target.find("site%3A");
    if (at == std::string::npos) return {};
    size_t end = target.find("%20", at);
    return target.substr(at + 7, end == std::string::npos ? std::string::npos : end - at - 7);
}

// The number after a key such as "&pn="; 0 when the key is missing.
inline int numberAfter(const std::string& target, const std::string& key) {
    size_t at = target.find(key);
    return at == std::string::npos ? 0 : std::atoi(target.c_str() + at + key.size());
}
