# check_tests: the answer readers over real-shaped bodies, the flows over scripted answers and
# the scheduler's politeness (natively with the sanitizers and under Wine); under Wine also the
# checker against the netdisk simulator and quorrel-cli check end to end.
set(check_test_dir ${CMAKE_SOURCE_DIR}/tests/links)
set(check_test_sources ${check_test_dir}/check_answers_test.cpp ${check_test_dir}/check_flow_test.cpp
                       ${check_test_dir}/link_checker_test.cpp)
if(QUORREL_NATIVE)
  quorrel_add_gtest(check_tests SOURCES ${check_test_sources} LIBS quorrel_checks LABELS links)
else()
  set(check_test_libs quorrel_checks quorrel_http ws2_32)
  if(EXISTS ${check_test_dir}/check_sim_test.cpp)
    list(APPEND check_test_sources ${check_test_dir}/check_sim_test.cpp)
    list(APPEND check_test_libs quorrel_engine_sim quorrel_httpd)
  endif()
  quorrel_add_gtest(check_tests SOURCES ${check_test_sources} LIBS ${check_test_libs} LABELS links TIMEOUT 240)
  if(TARGET quorrel-cli OR EXISTS ${CMAKE_SOURCE_DIR}/tools/cli/CMakeLists.txt)
    add_dependencies(check_tests quorrel-cli)
  endif()
  target_compile_definitions(check_tests PRIVATE "QUORREL_CLI_RELATIVE=\"tools/cli/quorrel-cli.exe\"")
endif()
