# Benchmarks of the registry store (Google Benchmark), never part of the test run:
# `cmake --build <dir> --target bench` builds and runs them (configure with Release).
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(z4bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tools/bench/store_bench.cpp)
  target_link_libraries(z4bench PRIVATE z4tool benchmark::benchmark)
  add_custom_target(bench COMMAND z4bench --benchmark_counters_tabular=true DEPENDS z4bench USES_TERMINAL)
endif()
