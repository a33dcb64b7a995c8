# The stand-in msports.dll that the COM port database scenarios put beside a copy of the exe
# under Wine (Wine's own holds only stubs). Built apart, so that no run of the exe in its build
# folder meets it.
add_library(z4msports SHARED ${CMAKE_SOURCE_DIR}/tools/msports/msports.cpp)
set_target_properties(z4msports PROPERTIES OUTPUT_NAME msports PREFIX ""
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/standin)
target_compile_options(z4msports PRIVATE -Wall -Wextra -O2)
# Undecorated names, as the system's DLL exports them, also for the i686 stdcall functions.
target_link_options(z4msports PRIVATE -static -static-libgcc -static-libstdc++ -s -Wl,--kill-at)
target_link_libraries(z4msports PRIVATE advapi32)
