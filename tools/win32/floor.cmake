# The start-up floor (an empty dialog) and the timer that measures programs under Wine.
add_executable(z4floor WIN32 ${CMAKE_SOURCE_DIR}/tools/bench/floor_dialog.cpp
  ${CMAKE_SOURCE_DIR}/tools/bench/floor_dialog.rc)
target_compile_options(z4floor PRIVATE -Os)
target_link_options(z4floor PRIVATE -static -static-libgcc -static-libstdc++ -s)
target_link_libraries(z4floor PRIVATE user32 kernel32)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # Built like the tool, so both load the same way.
  target_link_options(z4floor PRIVATE -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0)
endif()
add_executable(z4timer ${CMAKE_SOURCE_DIR}/tools/bench/dialog_timer.cpp)
target_link_options(z4timer PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(z4timer PRIVATE user32 kernel32)
