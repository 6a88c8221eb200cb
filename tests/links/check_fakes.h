// Scripted netdisks for the check tests: answers chosen by a request's address, every request
// recorded, and a stand-in cipher with the real one's framing (16-byte blocks, PKCS#7).
#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "links/check_flow.h"
#include "text/encoding.h"

// A reversible stand-in for AES-128-CBC: pads as PKCS#7, XORs with key and IV.
inline CheckCrypto fakeCrypto() {
    CheckCrypto crypto;
    crypto.md5Hex = [](std::string_view bytes) {
        unsigned long long h = 1469598103934665603ull;
        for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
        char hex[33];
        std::snprintf(hex, sizeof hex, "%016llx%016llx", h, h * 31 + 7);
        return std::string(hex);
    };
    auto mix = [](std::string_view key, std::string_view iv, std::string data) {
        for (size_t i = 0; i < data.size(); ++i) data[i] = char(data[i] ^ key[i % 16] ^ iv[i % 16]);
        return data;
    };
    crypto.aesEncrypt = [mix](std::string_view key, std::string_view iv, std::string_view plain) {
        std::string padded(plain);
        const size_t pad = 16 - padded.size() % 16;
        padded.append(pad, char(pad));
        return mix(key, iv, padded);
    };
    crypto.aesDecrypt = [mix](std::string_view key, std::string_view iv,
                              std::string_view cipher) -> std::optional<std::string> {
        if (cipher.empty() || cipher.size() % 16) return std::nullopt;
        std::string plain = mix(key, iv, std::string(cipher));
        const size_t pad = (unsigned char)plain.back();
        if (pad == 0 || pad > 16) return std::nullopt;
        plain.resize(plain.size() - pad);
        return plain;
    };
    crypto.randomBytes = [](size_t count) { return std::string(count, '\x5A'); };
    return crypto;
}

// Answers by the first rule whose marker stands in the request's URL; records every request.
class ScriptedNetdisk {
public:
    struct Rule {
        std::string urlPart;
        int status;
        std::string body;  // GBK, sent as UTF-8
    };
    void on(std::string urlPart, int status, std::string body) {
        rules_.push_back({std::move(urlPart), status, std::move(body)});
    }
    CheckAnswer fetch(const CheckRequest& request) {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        for (const Rule& rule : rules_) {
            if (request.url.find(rule.urlPart) == std::string::npos) continue;
            CheckAnswer answer;
            answer.arrived = rule.status > 0;
            answer.status = rule.status;
            answer.body = gbkToUtf8(rule.body);
            return answer;
        }
        return CheckAnswer{};  // no rule: as a refused connection
    }
    std::vector<CheckRequest> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    size_t count(const std::string& urlPart) const {
        std::lock_guard lock(mutex_);
        size_t n = 0;
        for (const CheckRequest& r : requests_) n += r.url.find(urlPart) != std::string::npos;
        return n;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Rule> rules_;
    std::vector<CheckRequest> requests_;
};
