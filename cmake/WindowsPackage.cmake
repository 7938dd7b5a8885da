# `make windows-package`: build-windows/velkaro-<version>-windows-x64.zip, a
# folder a drafter unzips anywhere and runs velkaro.exe from: the two
# programs, Qt's DLLs and plugins, Qt's Japanese translation, the compiler's
# runtime DLLs, a README and the licence texts.
set(VELKARO_PACKAGE_NAME velkaro-${PROJECT_VERSION}-windows-x64)
set(stage_root ${CMAKE_BINARY_DIR}/package)
set(stage ${stage_root}/${VELKARO_PACKAGE_NAME})
set(qt ${VELKARO_QT_WINDOWS})

set(qt_dlls ${qt}/bin/Qt6Core.dll ${qt}/bin/Qt6Gui.dll ${qt}/bin/Qt6Widgets.dll)
set(qt_ja /usr/share/qt6/translations/qtbase_ja.qm)
if(NOT EXISTS ${qt_ja})
  message(FATAL_ERROR "${qt_ja} is missing: run scripts/bootstrap windows (qt6-translations-l10n)")
endif()
set(licences
  ${qt}/licenses/LGPL-3.0-only.txt
  ${qt}/licenses/GPL-3.0-only.txt
  ${qt}/licenses/qtbase-debian-copyright.txt)

add_custom_target(windows-package
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage_root} ${CMAKE_BINARY_DIR}/${VELKARO_PACKAGE_NAME}.zip
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/platforms ${stage}/styles
          ${stage}/translations ${stage}/licenses
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:velkaro> $<TARGET_FILE:velkaro-cli>
          ${VELKARO_MINGW_RUNTIME_DLLS} ${qt_dlls} ${stage}/
  # Debugging information is for developers: without it the download is a
  # third of the size.
  COMMAND ${CMAKE_STRIP} --strip-debug ${stage}/velkaro.exe ${stage}/velkaro-cli.exe
          ${stage}/libstdc++-6.dll ${stage}/libgcc_s_seh-1.dll ${stage}/libwinpthread-1.dll
  COMMAND ${CMAKE_COMMAND} -E copy ${qt}/plugins/platforms/qwindows.dll ${stage}/platforms/
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${qt}/plugins/styles ${stage}/styles
  COMMAND ${CMAKE_COMMAND} -E copy ${qt_ja} ${stage}/translations/
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/packaging/windows/README.txt ${stage}/
  COMMAND ${CMAKE_COMMAND} -E copy ${licences} ${stage}/licenses/
  COMMAND ${CMAKE_COMMAND} -E copy
          /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright
          ${stage}/licenses/gcc-runtime-copyright.txt
  COMMAND ${CMAKE_COMMAND} -E copy /usr/share/doc/mingw-w64-common/copyright
          ${stage}/licenses/mingw-w64-winpthreads-copyright.txt
  COMMAND ${CMAKE_COMMAND} -E chdir ${stage_root}
          ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/${VELKARO_PACKAGE_NAME}.zip --format=zip
          ${VELKARO_PACKAGE_NAME}
  DEPENDS velkaro velkaro-cli
  COMMENT "Packing ${VELKARO_PACKAGE_NAME}.zip"
  VERBATIM)
