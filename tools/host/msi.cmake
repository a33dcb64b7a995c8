# The installer of each target under Wine: install, apply, remove (tools/e2e/msi-test.sh). The
# packages are built in the Windows builds (cmake --build --preset win32 --target msi).
foreach(arch win32 win64)
  add_test(NAME msi_wine_${arch}
           COMMAND ${CMAKE_SOURCE_DIR}/tools/e2e/msi-test.sh ${CMAKE_SOURCE_DIR}/build/${arch})
  set_tests_properties(msi_wine_${arch} PROPERTIES TIMEOUT 900)
endforeach()

# The deployment recipes that parse here: the Ansible tasks and the event query.
add_test(NAME deployment_recipes_parse
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/docs/check-recipes.py ${CMAKE_SOURCE_DIR}/docs/deployment.md)
