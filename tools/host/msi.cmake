# The installer of each target under Wine: install, apply, remove (tools/e2e/msi-test.sh). The
# packages are built in the Windows builds (cmake --build --preset win32 --target msi).
foreach(arch win32 win64)
  add_test(NAME msi_wine_${arch}
           COMMAND ${CMAKE_SOURCE_DIR}/tools/e2e/msi-test.sh ${CMAKE_SOURCE_DIR}/build/${arch})
  set_tests_properties(msi_wine_${arch} PROPERTIES TIMEOUT 900)
endforeach()
