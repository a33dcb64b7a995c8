# The stand-in msports.dll that the scenario runner installs in the Wine prefix's system folder
# (Wine's own holds only stubs), and a planted one that ends any process loading it, which the
# runner puts beside a copy of the program to prove it is never loaded. Built apart, so that no
# run of the exe in its build folder meets either.
foreach(variant standin planted)
  add_library(z4msports_${variant} SHARED ${CMAKE_SOURCE_DIR}/tools/msports/msports.cpp)
  set_target_properties(z4msports_${variant} PROPERTIES OUTPUT_NAME msports PREFIX ""
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/${variant})
  target_compile_options(z4msports_${variant} PRIVATE -Wall -Wextra -O2)
  # Undecorated names, as the system's DLL exports them, also for the i686 stdcall functions.
  target_link_options(z4msports_${variant} PRIVATE -static -static-libgcc -static-libstdc++ -s -Wl,--kill-at)
  target_link_libraries(z4msports_${variant} PRIVATE advapi32)
endforeach()
target_compile_definitions(z4msports_planted PRIVATE Z4_PLANTED_DLL)
