# Link checks: the netdisks' check flows and answer readers and the scheduler (platform-free,
# also built natively with the sanitizers), and on Windows the CNG cipher and the WinInet
# transport. Included from the root so that it needs nothing of links/CMakeLists.txt but the
# quorrel_links target.
find_package(Threads REQUIRED)
add_library(quorrel_checks STATIC
  ${CMAKE_SOURCE_DIR}/links/check_flow.cpp
  ${CMAKE_SOURCE_DIR}/links/check_baidu.cpp
  ${CMAKE_SOURCE_DIR}/links/check_aliyun.cpp
  ${CMAKE_SOURCE_DIR}/links/check_quark.cpp
  ${CMAKE_SOURCE_DIR}/links/check_115.cpp
  ${CMAKE_SOURCE_DIR}/links/check_tianyi.cpp
  ${CMAKE_SOURCE_DIR}/links/check_123.cpp
  ${CMAKE_SOURCE_DIR}/links/check_xunlei.cpp
  ${CMAKE_SOURCE_DIR}/links/check_139.cpp
  ${CMAKE_SOURCE_DIR}/links/check_lanzou.cpp
  ${CMAKE_SOURCE_DIR}/links/link_checker.cpp
)
target_include_directories(quorrel_checks PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quorrel_checks PUBLIC quorrel_links quorrel_core Threads::Threads)
if(NOT QUORREL_NATIVE)
  target_sources(quorrel_checks PRIVATE
    ${CMAKE_SOURCE_DIR}/links/check_crypto_win.cpp
    ${CMAKE_SOURCE_DIR}/links/web_transport.cpp)
  target_link_libraries(quorrel_checks PUBLIC quorrel_http bcrypt)
endif()
include(${CMAKE_SOURCE_DIR}/tests/links/checks_tests.cmake)
