# quorrel_add_gtest(NAME SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s] [RESOURCE_LOCK name])
# One ctest entry per test executable; under cross-compiling ctest runs it through Wine.
# RESOURCE_LOCK display: the suites that show windows share one screen, pointer and foreground.
# A window mapped under the pointer, a pointer moved or the foreground taken by one of them
# changes what another sees, so under ctest -j they run one after another.
function(quorrel_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT;RESOURCE_LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  if(NOT QUORREL_NATIVE)
    # Console subsystem so gtest output reaches ctest.
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
  if(T_RESOURCE_LOCK)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${T_RESOURCE_LOCK})
  endif()
endfunction()
