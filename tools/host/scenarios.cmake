# The end-to-end scenarios of tests/scenarios: one runner, four runs (the emulation in-process,
# the two Windows exes under Wine with the pilot in prefixes of their own bitness, and the i686
# exe under WOW64 in a 64-bit prefix), each Wine run on its own virtual X display.
file(GLOB Z4_SCENARIO_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/scenario/*.cpp)
add_executable(z4scenarios ${Z4_SCENARIO_SOURCES})
target_include_directories(z4scenarios PRIVATE ${CMAKE_SOURCE_DIR}/tools/scenario)
target_compile_options(z4scenarios PRIVATE -Wall -Wextra)
target_link_libraries(z4scenarios PRIVATE z4tool)

set(Z4_SCENARIOS ${CMAKE_SOURCE_DIR}/tests/scenarios)
set(Z4_E2E_PICTURES ${CMAKE_SOURCE_DIR}/build/e2e)

add_test(NAME scenarios_emulation
         COMMAND z4scenarios --emulation --base ${Z4_SCENARIOS}/baseline.reg ${Z4_SCENARIOS})
set_tests_properties(scenarios_emulation PROPERTIES TIMEOUT 900)

foreach(arch win32 win64)
  if(arch STREQUAL "win32")
    set(loader /usr/lib/wine/wine)
  else()
    set(loader /usr/lib/wine/wine64)
  endif()
  set(exes ${CMAKE_SOURCE_DIR}/build/${arch})
  add_test(NAME scenarios_wine_${arch}
           COMMAND xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp"
                   $<TARGET_FILE:z4scenarios> --wine ${exes}/z4setup.exe --pilot ${exes}/z4pilot.exe
                   --msports ${exes}/standin/msports.dll
                   --arch ${arch} --loader ${loader}
                   --prefix-script ${CMAKE_SOURCE_DIR}/tools/e2e/wine-prefix.sh
                   --shots ${Z4_E2E_PICTURES} ${Z4_SCENARIOS})
  set_tests_properties(scenarios_wine_${arch} PROPERTIES TIMEOUT 2700)
endforeach()
# The primary target where most machines run it now: the i686 exe in a 64-bit prefix, under
# WOW64, where the kernel's resource lists have the 64-bit layout.
set(exes32 ${CMAKE_SOURCE_DIR}/build/win32)
add_test(NAME scenarios_wine_wow64
         COMMAND xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp"
                 $<TARGET_FILE:z4scenarios> --wine ${exes32}/z4setup.exe
                 --pilot ${CMAKE_SOURCE_DIR}/build/win64/z4pilot.exe
                 --msports ${exes32}/standin/msports.dll --arch win64 --label wow64
                 --loader /usr/lib/wine/wine64
                 --prefix-script ${CMAKE_SOURCE_DIR}/tools/e2e/wine-prefix.sh
                 --shots ${Z4_E2E_PICTURES} ${Z4_SCENARIOS})
set_tests_properties(scenarios_wine_wow64 PROPERTIES TIMEOUT 2700)
