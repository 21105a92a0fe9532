# The Windows build: the core with the win32 backends, kstrv7.exe, and the
# test programs that run under Wine.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
add_link_options(-static -static-libgcc -static-libstdc++)
# GCC 12 at -O3 reports impossible overlaps in std::string concatenation
# (-Wrestrict false positives, GCC bug 105329); they are not ours to fix.
add_compile_options(-Wno-restrict)
target_compile_options(kestrove_core PRIVATE -Wno-restrict)

file(GLOB_RECURSE KS_WIN32_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp
  ${CMAKE_SOURCE_DIR}/src/ui/win32/*.cpp)
add_library(kestrove_win32 STATIC ${KS_WIN32_SOURCES})
target_link_libraries(kestrove_win32 PUBLIC kestrove_core user32 gdi32 advapi32 shell32 comctl32 ole32 uuid bcrypt version)

# The event log's message table (windmc of the MinGW binutils): a resource of
# kstrv7.exe, and a header whose ids the event log backend checks.
set(KS_MESSAGES_DIR ${CMAKE_BINARY_DIR}/messages)
find_program(KS_WINDMC NAMES x86_64-w64-mingw32-windmc windmc REQUIRED)
add_custom_command(
  OUTPUT ${KS_MESSAGES_DIR}/event_messages.rc ${KS_MESSAGES_DIR}/event_messages.h ${KS_MESSAGES_DIR}/MSG00409.bin
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KS_MESSAGES_DIR}
  COMMAND ${KS_WINDMC} -U -h ${KS_MESSAGES_DIR} -r ${KS_MESSAGES_DIR} ${CMAKE_SOURCE_DIR}/res/event_messages.mc
  DEPENDS ${CMAKE_SOURCE_DIR}/res/event_messages.mc
  COMMENT "Compiling the event log's message table"
  VERBATIM)
add_custom_target(event_messages DEPENDS ${KS_MESSAGES_DIR}/event_messages.rc ${KS_MESSAGES_DIR}/event_messages.h)
add_dependencies(kestrove_win32 event_messages)
target_include_directories(kestrove_win32 PRIVATE ${KS_MESSAGES_DIR})
set_source_files_properties(${KS_MESSAGES_DIR}/event_messages.rc PROPERTIES GENERATED TRUE
  OBJECT_DEPENDS ${KS_MESSAGES_DIR}/MSG00409.bin)

add_executable(kstrv7 WIN32 ${CMAKE_SOURCE_DIR}/src/main.cpp ${CMAKE_SOURCE_DIR}/res/kstrv7.rc
  ${KS_MESSAGES_DIR}/event_messages.rc)
target_include_directories(kstrv7 PRIVATE ${KS_MESSAGES_DIR})
target_link_libraries(kstrv7 PRIVATE kestrove_win32)
set_target_properties(kstrv7 PROPERTIES OUTPUT_NAME kstrv7 RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# The shell command file that shows the desktop, installed beside the program.
configure_file(${CMAKE_SOURCE_DIR}/res/zarmex.scf ${CMAKE_BINARY_DIR}/bin/zarmex.scf COPYONLY)

# ---- Shipping: the updater, the help file and the installer -------------------

# KsUpdate.exe: runs a newer installer from the update folder.
add_executable(KsUpdate WIN32 ${CMAKE_SOURCE_DIR}/src/updater/win32/ks_update.cpp
  ${CMAKE_SOURCE_DIR}/res/ks_update.rc)
target_link_libraries(KsUpdate PRIVATE kestrove_win32)  # its own folder as the program finds it
target_link_options(KsUpdate PRIVATE -s)  # without symbols: a third of the size
# windres does not report what a script includes: rebuild on a new manifest or icon.
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/ks_update.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/res/ks_update.manifest;${CMAKE_SOURCE_DIR}/res/update.ico")
set_target_properties(KsUpdate PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# kestrove.chm from the help pages (chmcmd of Free Pascal's utilities),
# compiled in a copy of the pages so that nothing is written into the sources.
find_program(KS_CHMCMD chmcmd REQUIRED)
file(GLOB KS_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/help/*)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/bin/kestrove.chm
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/help
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/docs/help ${CMAKE_BINARY_DIR}/help
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/help ${KS_CHMCMD} kestrove.hhp
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/help/kestrove.chm ${CMAKE_BINARY_DIR}/bin/kestrove.chm
  DEPENDS ${KS_HELP_SOURCES}
  COMMENT "Compiling the help file kestrove.chm"
  VERBATIM)

# The Group Policy templates, shipped beside the installer.
configure_file(${CMAKE_SOURCE_DIR}/policy/kestrove.admx ${CMAKE_BINARY_DIR}/bin/kestrove.admx COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/policy/en-US/kestrove.adml ${CMAKE_BINARY_DIR}/bin/en-US/kestrove.adml COPYONLY)

# kestrove-setup.exe (NSIS), from the files just built; warnings are errors.
find_program(KS_MAKENSIS makensis REQUIRED)
set(KS_INSTALLER ${CMAKE_BINARY_DIR}/bin/kestrove-setup.exe)
add_custom_command(OUTPUT ${KS_INSTALLER}
  COMMAND ${KS_MAKENSIS} -V2 -WX -DBIN_DIR=${CMAKE_BINARY_DIR}/bin -DRES_DIR=${CMAKE_SOURCE_DIR}/res
    -DOUT_FILE=${KS_INSTALLER} -DVERSION=${PROJECT_VERSION}
    -DFILE_VERSION=${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.${PROJECT_VERSION_PATCH}
    ${CMAKE_SOURCE_DIR}/installer/kestrove.nsi
  DEPENDS ${CMAKE_SOURCE_DIR}/installer/kestrove.nsi ${CMAKE_SOURCE_DIR}/res/program.ico kstrv7 KsUpdate
    ${CMAKE_BINARY_DIR}/bin/kestrove.chm ${CMAKE_BINARY_DIR}/bin/zarmex.scf
  COMMENT "Building the installer kestrove-setup.exe"
  VERBATIM)
add_custom_target(installer ALL DEPENDS ${KS_INSTALLER})

# GoogleTest from Debian's sources, built for Windows.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources are not held to our warning flags.
foreach(gt gtest gtest_main gmock gmock_main)
  if(TARGET ${gt})
    target_compile_options(${gt} PRIVATE -Wno-error)
  endif()
endforeach()

# Windows-only backend and renderer tests: one program, one ctest test, since
# each Wine start costs time.
file(GLOB_RECURSE KS_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp)
if(KS_WIN32_TESTS)
  # With the program's resources: its icons and manifest (common controls 6).
  add_executable(win32_tests ${KS_WIN32_TESTS} ${CMAKE_SOURCE_DIR}/res/kstrv7.rc ${KS_MESSAGES_DIR}/event_messages.rc)
  target_include_directories(win32_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests ${KS_MESSAGES_DIR})
  target_link_libraries(win32_tests PRIVATE kestrove_win32 gtest gmock gtest_main)
  set_target_properties(win32_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_test(NAME win32.backends COMMAND win32_tests --gtest_brief=1)
  # The build's own Wine prefix, also when ctest is run by hand (scripts/wine-ctest.sh sets the same).
  set_tests_properties(win32.backends PROPERTIES TIMEOUT 600 ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
  # The events reach ReportEventW: read from Wine's trace of it, since Wine
  # keeps no event log to read back.
  add_test(NAME win32.event_log COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win32/event_log_trace.sh
    ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:win32_tests>)
  set_tests_properties(win32.event_log PROPERTIES TIMEOUT 300 ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
endif()

# End-to-end tests: drive kstrv7.exe from outside as a user would.
file(GLOB_RECURSE KS_E2E_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
if(KS_E2E_SOURCES)
  add_executable(e2e_tests ${KS_E2E_SOURCES})
  target_include_directories(e2e_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  # The program's own registry and desktop backends read and set up what the scenarios need.
  target_link_libraries(e2e_tests PRIVATE kestrove_win32 gtest gmock gtest_main)
  set_target_properties(e2e_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(e2e_tests kstrv7 installer)
  add_test(NAME e2e.scenarios COMMAND e2e_tests --gtest_brief=1)
  set_tests_properties(e2e.scenarios PROPERTIES TIMEOUT 900 ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
endif()

# Small helper programs the tests start.
file(GLOB KS_TOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
foreach(tool_source ${KS_TOOL_SOURCES})
  get_filename_component(tool_name ${tool_source} NAME_WE)
  add_executable(${tool_name} WIN32 ${tool_source})
  target_link_libraries(${tool_name} PRIVATE kestrove_core user32 gdi32 shell32)
  set_target_properties(${tool_name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  if(TARGET e2e_tests)
    add_dependencies(e2e_tests ${tool_name})
  endif()
endforeach()

# Benchmarks: small timing programs, run by hand (never as tests); those that
# drive Windows themselves sit in bench/win32.
file(GLOB KS_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp ${CMAKE_SOURCE_DIR}/bench/win32/*.cpp)
foreach(bench_source ${KS_BENCH_SOURCES})
  get_filename_component(bench_name ${bench_source} NAME_WE)
  add_executable(${bench_name} ${bench_source})
  target_link_libraries(${bench_name} PRIVATE kestrove_win32)
  set_target_properties(${bench_name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endforeach()
