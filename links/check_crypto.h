// The platform's hashing, cipher and random bytes for the link checks: CNG (bcrypt).
// Room links/ (floor 2): the declaration is platform-free; check_crypto_win.cpp needs Windows.
#pragma once
#include "links/check_flow.h"

CheckCrypto platformCrypto();
