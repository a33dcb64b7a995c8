# The pilot that plays the user of z4setup.exe under Wine, built beside it for each bitness.
file(GLOB Z4_PILOT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/pilot/*.cpp)
add_executable(z4pilot ${Z4_PILOT_SOURCES})
target_compile_options(z4pilot PRIVATE -Wall -Wextra -O2)
target_compile_definitions(z4pilot PRIVATE _WIN32_WINNT=0x0601 WINVER=0x0601)
target_link_options(z4pilot PRIVATE -static -static-libgcc -static-libstdc++ -s)
target_link_libraries(z4pilot PRIVATE user32 gdi32 advapi32 kernel32)
