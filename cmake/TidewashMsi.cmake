# The Windows installer, Tidewash-<version>-x64.msi in the build folder (the
# target tidewash_msi, built with everything): wixl (Debian package wixl)
# compiles packaging/windows/Tidewash.wxs.in, filled in by MakeWxs.cmake
# with the DLLs the modules load, from copies without debugging
# information in packaging/msi of the build folder. It installs the
# cleanup handler, the resource library and the configuration server with
# those DLLs into Program Files\Tidewash and registers them from its
# Registry table.
# It also installs the wizard TWSUtil.exe and the settings editor
# TWSConfigurator.exe, each with a Start menu entry.
find_program(TIDEWASH_WIXL wixl)
if(NOT TIDEWASH_WIXL)
  message(FATAL_ERROR "wixl is missing (package wixl): it makes the Windows installer")
endif()
set(TIDEWASH_MSI ${CMAKE_BINARY_DIR}/Tidewash-${PROJECT_VERSION}-x64.msi)
set(wxs ${CMAKE_BINARY_DIR}/packaging/Tidewash.wxs)
set(template ${PROJECT_SOURCE_DIR}/packaging/windows/Tidewash.wxs.in)
set(maker ${PROJECT_SOURCE_DIR}/packaging/windows/MakeWxs.cmake)
set(dependencies $<TARGET_RUNTIME_DLLS:Tidewash> $<TARGET_RUNTIME_DLLS:TWSConfig> $<TARGET_RUNTIME_DLLS:TWSRES>
                 $<TARGET_RUNTIME_DLLS:TWSUtil> $<TARGET_RUNTIME_DLLS:TWSConfigurator>
                 ${TIDEWASH_MINGW_RUNTIME_DLLS})
add_custom_command(OUTPUT ${TIDEWASH_MSI}
  COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${template} -DOUTPUT=${wxs} -DTIDEWASH_VERSION=${PROJECT_VERSION}
          -DSTAGE=packaging/msi -DSTRIP=${CMAKE_STRIP}
          "-DMODULES=$<TARGET_FILE:Tidewash>,$<TARGET_FILE:TWSConfig>,$<TARGET_FILE:TWSRES>,$<TARGET_FILE:TWSUtil>,$<TARGET_FILE:TWSConfigurator>"
          "-DDEPENDENCIES=$<JOIN:${dependencies},$<COMMA>>" -P ${maker}
  COMMAND ${TIDEWASH_WIXL} --arch x64 -o ${TIDEWASH_MSI} ${wxs}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${template} ${maker} Tidewash TWSConfig TWSRES TWSUtil TWSConfigurator
  COMMENT "Building the installer Tidewash-${PROJECT_VERSION}-x64.msi" VERBATIM)
add_custom_target(tidewash_msi ALL DEPENDS ${TIDEWASH_MSI})

if(TIDEWASH_TESTS AND CMAKE_CROSSCOMPILING)
  # The installer under Wine, in a throw-away prefix of its own: installed,
  # its registration held to the modules' own, the handler used through
  # COM by its test program, removed without a trace (scripts/msi_test.sh).
  add_test(NAME package_msi COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/msi_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package_msi PROPERTIES ENVIRONMENT "TIDEWASH_OBJDUMP=${CMAKE_OBJDUMP}")
endif()
