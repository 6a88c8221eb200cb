// MD5, AES-128-CBC with PKCS#7 padding and random bytes through CNG (bcrypt), for 迅雷/PikPak's
// captcha sign and 移动云盘's sealed bodies.
#include <windows.h>

#include <bcrypt.h>

#include "links/check_crypto.h"

namespace {

bool ok(NTSTATUS status) {
    return status >= 0;
}

// An algorithm provider, closed on every path.
class Provider {
public:
    Provider(LPCWSTR algorithm) {
        if (!ok(BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, 0))) handle_ = nullptr;
    }
    ~Provider() {
        if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    BCRYPT_ALG_HANDLE get() const { return handle_; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

std::string md5Hex(std::string_view bytes) {
    Provider md5(BCRYPT_MD5_ALGORITHM);
    if (!md5.get()) return {};
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!ok(BCryptCreateHash(md5.get(), &hash, nullptr, 0, nullptr, 0, 0))) return {};
    UCHAR digest[16];
    const bool done =
        ok(BCryptHashData(hash, (PUCHAR)bytes.data(), ULONG(bytes.size()), 0)) &&
        ok(BCryptFinishHash(hash, digest, sizeof digest, 0));
    BCryptDestroyHash(hash);
    if (!done) return {};
    static const char HEX[] = "0123456789abcdef";
    std::string out;
    for (UCHAR c : digest) {
        out += HEX[c >> 4];
        out += HEX[c & 15];
    }
    return out;
}

// One AES-128-CBC pass; nullopt on any failure (a wrong padding included).
std::optional<std::string> aes(bool encrypt, std::string_view key, std::string_view iv, std::string_view input) {
    if (key.size() != 16 || iv.size() != 16) return std::nullopt;
    Provider provider(BCRYPT_AES_ALGORITHM);
    if (!provider.get()) return std::nullopt;
    if (!ok(BCryptSetProperty(provider.get(), BCRYPT_CHAINING_MODE, (PUCHAR)BCRYPT_CHAIN_MODE_CBC,
                              sizeof(BCRYPT_CHAIN_MODE_CBC), 0)))
        return std::nullopt;
    BCRYPT_KEY_HANDLE keyHandle = nullptr;
    if (!ok(BCryptGenerateSymmetricKey(provider.get(), &keyHandle, nullptr, 0, (PUCHAR)key.data(), ULONG(key.size()),
                                       0)))
        return std::nullopt;
    // The IV is updated in place by each call: every pass takes its own copy.
    UCHAR ivCopy[16];
    memcpy(ivCopy, iv.data(), 16);
    std::string out(input.size() + 16, '\0');
    ULONG written = 0;
    NTSTATUS status =
        encrypt ? BCryptEncrypt(keyHandle, (PUCHAR)input.data(), ULONG(input.size()), nullptr, ivCopy, 16,
                                (PUCHAR)out.data(), ULONG(out.size()), &written, BCRYPT_BLOCK_PADDING)
                : BCryptDecrypt(keyHandle, (PUCHAR)input.data(), ULONG(input.size()), nullptr, ivCopy, 16,
                                (PUCHAR)out.data(), ULONG(out.size()), &written, BCRYPT_BLOCK_PADDING);
    BCryptDestroyKey(keyHandle);
    if (!ok(status)) return std::nullopt;
    out.resize(written);
    return out;
}

std::string randomBytes(size_t count) {
    std::string out(count, '\0');
    if (count && !ok(BCryptGenRandom(nullptr, (PUCHAR)out.data(), ULONG(count), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return {};
    return out;
}

}  // namespace

CheckCrypto platformCrypto() {
    CheckCrypto crypto;
    crypto.md5Hex = md5Hex;
    crypto.aesEncrypt = [](std::string_view key, std::string_view iv, std::string_view plain) {
        return aes(true, key, iv, plain).value_or(std::string());
    };
    crypto.aesDecrypt = [](std::string_view key, std::string_view iv, std::string_view cipher) {
        return aes(false, key, iv, cipher);
    };
    crypto.randomBytes = randomBytes;
    return crypto;
}
