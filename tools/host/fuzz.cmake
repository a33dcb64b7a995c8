# Fuzzing the whole tool through the emulation: the checked run and a corpus replay in every
# host build; with Z4_FUZZ=ON (clang) also the libFuzzer target z4fuzz.
set(Z4_FUZZ_DIR ${CMAKE_SOURCE_DIR}/tools/fuzz)
add_library(z4fuzzrun STATIC
  ${Z4_FUZZ_DIR}/fuzz_format.cpp ${Z4_FUZZ_DIR}/registry_builder.cpp
  ${Z4_FUZZ_DIR}/registry_snapshot.cpp ${Z4_FUZZ_DIR}/user_session.cpp
  ${Z4_FUZZ_DIR}/store_run.cpp)
target_include_directories(z4fuzzrun PUBLIC ${Z4_FUZZ_DIR})
target_link_libraries(z4fuzzrun PUBLIC z4tool)
target_compile_options(z4fuzzrun PRIVATE -Wall -Wextra)

add_executable(z4fuzz_replay ${Z4_FUZZ_DIR}/replay_main.cpp)
target_link_libraries(z4fuzz_replay PRIVATE z4fuzzrun)
add_executable(z4fuzz_seeds ${Z4_FUZZ_DIR}/make_seeds.cpp)
target_link_libraries(z4fuzz_seeds PRIVATE z4fuzzrun)

# The committed corpus keeps every promise in the ordinary test run too.
add_test(NAME fuzz_corpus_keeps_every_promise
         COMMAND z4fuzz_replay ${Z4_FUZZ_DIR}/corpus)

option(Z4_FUZZ "Build the libFuzzer target z4fuzz (clang only)" OFF)
option(Z4_FUZZ_COVERAGE "Build the corpus replay with clang source-based coverage" OFF)
if(Z4_FUZZ OR Z4_FUZZ_COVERAGE)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "Z4_FUZZ and Z4_FUZZ_COVERAGE need clang: -DCMAKE_CXX_COMPILER=clang++")
  endif()
endif()
if(Z4_FUZZ)
  # Every object the fuzzer runs is instrumented for coverage feedback and the sanitizers.
  set(Z4_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer -g -O1)
  foreach(lib z4platform z4tool z4fuzzrun)
    target_compile_options(${lib} PRIVATE ${Z4_FUZZ_FLAGS})
  endforeach()
  target_link_options(z4tool INTERFACE -fsanitize=address,undefined)
  add_executable(z4fuzz ${Z4_FUZZ_DIR}/store_fuzz.cpp)
  target_compile_options(z4fuzz PRIVATE ${Z4_FUZZ_FLAGS})
  target_link_libraries(z4fuzz PRIVATE z4fuzzrun)
  target_link_options(z4fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()
if(Z4_FUZZ_COVERAGE)
  foreach(lib z4platform z4tool z4fuzzrun z4fuzz_replay)
    target_compile_options(${lib} PRIVATE -fprofile-instr-generate -fcoverage-mapping)
  endforeach()
  target_link_options(z4fuzz_replay PRIVATE -fprofile-instr-generate)
endif()
