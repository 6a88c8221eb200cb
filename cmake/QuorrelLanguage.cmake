# The language and build type every Quorrel build uses: the program's (cross and native) and the
# fuzzing project of tests/fuzz, so the code the fuzzers see is compiled as the program is.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()
