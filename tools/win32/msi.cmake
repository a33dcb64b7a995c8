# The installer package: cmake --build --preset win32 --target msi (or win64), made by wixl from
# tools/win32/z4setup.wxs with the exes and the documents of the zip.
find_program(Z4_WIXL wixl)
if(Z4_WIXL)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(msi_arch x86)
    set(msi_defines -D ProgramFiles=ProgramFilesFolder -D Win64=no)
  else()
    set(msi_arch x64)
    set(msi_defines -D ProgramFiles=ProgramFiles64Folder -D Win64=yes)
  endif()
  set(Z4_MSI ${CMAKE_BINARY_DIR}/z4setup-${PROJECT_VERSION}-${Z4_PACKAGE_ARCH}.msi)
  # wixl takes the files' names relative to where it runs: the build folder.
  add_custom_command(OUTPUT ${Z4_MSI}
    COMMAND ${Z4_WIXL} -a ${msi_arch} -D Version=${PROJECT_VERSION} ${msi_defines}
            -o ${Z4_MSI} ${CMAKE_SOURCE_DIR}/tools/win32/z4setup.wxs
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DEPENDS z4setup z4setup_com ${CMAKE_SOURCE_DIR}/tools/win32/z4setup.wxs
            ${CMAKE_BINARY_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/boards-example.ini
    VERBATIM)
  add_custom_target(msi DEPENDS ${Z4_MSI})
endif()
