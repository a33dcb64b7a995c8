# Fuzzing the whole tool through the emulation: the checked runs and corpus replays in every
# host build; with Z4_FUZZ=ON (clang) also the libFuzzer targets z4fuzz (registry and dialog
# session), z4fuzz_board (registry and board file, through "/s") and z4fuzz_resources (a
# resource list of the resource map).
set(Z4_FUZZ_DIR ${CMAKE_SOURCE_DIR}/tools/fuzz)
add_library(z4fuzzrun STATIC
  ${Z4_FUZZ_DIR}/fuzz_format.cpp ${Z4_FUZZ_DIR}/registry_builder.cpp
  ${Z4_FUZZ_DIR}/registry_snapshot.cpp ${Z4_FUZZ_DIR}/user_session.cpp
  ${Z4_FUZZ_DIR}/store_run.cpp ${Z4_FUZZ_DIR}/board_file_run.cpp)
target_include_directories(z4fuzzrun PUBLIC ${Z4_FUZZ_DIR})
target_link_libraries(z4fuzzrun PUBLIC z4tool)
target_compile_options(z4fuzzrun PRIVATE -Wall -Wextra)

add_executable(z4fuzz_replay ${Z4_FUZZ_DIR}/replay_main.cpp)
target_link_libraries(z4fuzz_replay PRIVATE z4fuzzrun)
# Regenerates the seed corpus after a change to the fuzz input format or to the .reg fixtures;
# its output is committed, so it is built only on demand:
#   cmake --build --preset host --target z4fuzz_seeds
#   build/host/z4fuzz_seeds tools/fuzz/corpus tests/fixtures/reg
add_executable(z4fuzz_seeds EXCLUDE_FROM_ALL ${Z4_FUZZ_DIR}/make_seeds.cpp)
target_link_libraries(z4fuzz_seeds PRIVATE z4fuzzrun)

# The committed corpus keeps every promise in the ordinary test run too.
add_test(NAME fuzz_corpus_keeps_every_promise
         COMMAND z4fuzz_replay ${Z4_FUZZ_DIR}/corpus)
add_test(NAME fuzz_board_corpus_keeps_every_promise
         COMMAND z4fuzz_replay --board-file ${Z4_FUZZ_DIR}/board_corpus)

option(Z4_FUZZ "Build the libFuzzer target z4fuzz (clang only)" OFF)
if(Z4_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "Z4_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++")
  endif()
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
  add_executable(z4fuzz_board ${Z4_FUZZ_DIR}/board_file_fuzz.cpp)
  target_compile_options(z4fuzz_board PRIVATE ${Z4_FUZZ_FLAGS})
  target_link_libraries(z4fuzz_board PRIVATE z4fuzzrun)
  target_link_options(z4fuzz_board PRIVATE -fsanitize=fuzzer,address,undefined)
  # Resource lists as drivers publish them, read in both layouts.
  add_executable(z4fuzz_resources ${Z4_FUZZ_DIR}/resource_list_fuzz.cpp)
  target_compile_options(z4fuzz_resources PRIVATE ${Z4_FUZZ_FLAGS})
  target_link_libraries(z4fuzz_resources PRIVATE z4tool)
  target_link_options(z4fuzz_resources PRIVATE -fsanitize=fuzzer,address,undefined)
endif()
