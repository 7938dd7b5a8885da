# The Windows cross build's dependencies, where Debian has no mingw package.
#
# ICU: not linked. The codec and the casing use Windows' own calls; only
# ICU's UTF-8/UTF-16 macros (header-only) are used, from the host's headers.
# CLI11 and nlohmann-json are header-only: the host's headers, as targets of
# the names their packages give. GoogleTest is built from Debian's source
# (libgtest-dev, /usr/src/googletest). Qt comes from scripts/build-qt-windows
# (VELKARO_QT_WINDOWS, its install folder).
#
# The host's /usr/include must never be on the include path (glibc's headers
# would shadow mingw's), so each library's folder is linked into one of our own.
set(VELKARO_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
foreach(dir unicode CLI nlohmann)
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "/usr/include/${dir} is missing: run scripts/bootstrap")
  endif()
  file(MAKE_DIRECTORY ${VELKARO_HOST_HEADERS})
  file(CREATE_LINK /usr/include/${dir} ${VELKARO_HOST_HEADERS}/${dir} SYMBOLIC)
endforeach()

add_library(velkaro_icu_macros INTERFACE)
target_include_directories(velkaro_icu_macros SYSTEM INTERFACE ${VELKARO_HOST_HEADERS})
# Only the macros are used: keep ICU's headers from asking for its libraries.
target_compile_definitions(velkaro_icu_macros INTERFACE U_SHOW_CPLUSPLUS_API=0)

add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${VELKARO_HOST_HEADERS})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${VELKARO_HOST_HEADERS})

if(VELKARO_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
  set(GTest_FOUND TRUE)
endif()

if(NOT VELKARO_QT_WINDOWS AND VELKARO_BUILD_GUI)
  message(STATUS "No VELKARO_QT_WINDOWS (scripts/build-qt-windows): the window is not built")
  set(VELKARO_BUILD_GUI OFF)
endif()
if(VELKARO_QT_WINDOWS)
  list(APPEND CMAKE_PREFIX_PATH ${VELKARO_QT_WINDOWS})
  list(APPEND CMAKE_FIND_ROOT_PATH ${VELKARO_QT_WINDOWS})
  set(QT_HOST_PATH /usr CACHE PATH "Qt's host tools (moc, rcc, uic)")
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
  # Qt's DLLs and plugins beside the programs, as in the package, so the
  # window and its tests run from bin/ under Wine.
  foreach(module Core Gui Widgets Test)
    file(COPY ${VELKARO_QT_WINDOWS}/bin/Qt6${module}.dll DESTINATION ${CMAKE_BINARY_DIR}/bin)
  endforeach()
  file(COPY ${VELKARO_QT_WINDOWS}/plugins/platforms DESTINATION ${CMAKE_BINARY_DIR}/bin)
  file(COPY ${VELKARO_QT_WINDOWS}/plugins/styles DESTINATION ${CMAKE_BINARY_DIR}/bin)
  # Qt's Japanese translation (the .qm files are the same on every platform),
  # where the window looks for it: translations/ beside the program.
  if(EXISTS /usr/share/qt6/translations/qtbase_ja.qm)
    file(COPY /usr/share/qt6/translations/qtbase_ja.qm DESTINATION ${CMAKE_BINARY_DIR}/bin/translations)
  endif()
endif()

# The programs find the compiler's runtime and Qt's DLLs beside them, in the
# build as in the package.
set(VELKARO_MINGW_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
    message(FATAL_ERROR "the mingw runtime ${dll} was not found")
  endif()
  list(APPEND VELKARO_MINGW_RUNTIME_DLLS ${found})
endforeach()
file(COPY ${VELKARO_MINGW_RUNTIME_DLLS} DESTINATION ${CMAKE_BINARY_DIR}/bin)

# CTest runs the test programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run)

# Icon, version information and manifest of a program (packaging/windows).
enable_language(RC)
function(velkaro_windows_resources target description)
  set(VELKARO_RC_NAME ${target})
  set(VELKARO_RC_FILE ${target}.exe)
  set(VELKARO_RC_DESCRIPTION "${description}")
  set(VELKARO_RC_ICON ${CMAKE_SOURCE_DIR}/packaging/windows/velkaro.ico)
  set(VELKARO_RC_MANIFEST ${CMAKE_SOURCE_DIR}/packaging/windows/velkaro.manifest)
  string(REPLACE "." "," commas "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
  set(VELKARO_RC_VERSION_COMMAS ${commas})
  set(rc ${CMAKE_BINARY_DIR}/resources/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${VELKARO_RC_ICON} ${VELKARO_RC_MANIFEST})
endfunction()
