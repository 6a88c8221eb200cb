// The saved result pages of tests/search/serp, read for the tests of the page reader. Uses
// gtest and text/; SERP_DIR is set by the test target.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "text/encoding.h"

// A saved page as the worker sees it: UTF-8 bytes read as GBK text.
inline std::string serpPage(const std::string& name) {
    std::ifstream in(std::string(SERP_DIR) + "/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_FALSE(bytes.str().empty()) << name;
    return utf8ToGbk(bytes.str());
}
