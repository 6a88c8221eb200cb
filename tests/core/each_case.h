// Table-driven checks for the core tests: each input through one function, compared with what
// it should give, the failing input named. Uses only GoogleTest.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

// Out defaults to a text; name it for other results (expectEach<int>(...)).
template <class Out = const char*, class F>
void expectEach(F f, std::initializer_list<std::pair<const char*, Out>> cases) {
    for (const auto& [in, out] : cases) EXPECT_EQ(f(in), out) << "input: " << in;
}
