# The host build: the core with the fake backends and the unit tests.
find_package(GTest REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
find_package(LibXml2 REQUIRED)  # the policy templates' test reads them
include(GoogleTest)

file(GLOB_RECURSE KS_FAKE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/fake/*.cpp
  ${CMAKE_SOURCE_DIR}/src/ui/fake/*.cpp)
add_library(kestrove_fake STATIC ${KS_FAKE_SOURCES})
target_link_libraries(kestrove_fake PUBLIC kestrove_core OpenSSL::Crypto)

file(GLOB_RECURSE KS_HOST_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*.cpp)
file(GLOB_RECURSE KS_WINDOWS_ONLY_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
if(KS_WINDOWS_ONLY_TESTS)
  list(REMOVE_ITEM KS_HOST_TESTS ${KS_WINDOWS_ONLY_TESTS})
endif()
add_executable(host_tests ${KS_HOST_TESTS})
target_include_directories(host_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(host_tests PRIVATE kestrove_fake LibXml2::LibXml2 GTest::gtest GTest::gmock GTest::gtest_main)
# The policy templates' test reads them from the sources.
target_compile_definitions(host_tests PRIVATE KS_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(host_tests DISCOVERY_TIMEOUT 60)

# The Group Policy templates are well-formed XML (xmllint, libxml2-utils).
add_test(NAME policy.TemplatesAreWellFormed
  COMMAND xmllint --noout ${CMAKE_SOURCE_DIR}/policy/kestrove.admx ${CMAKE_SOURCE_DIR}/policy/en-US/kestrove.adml)

# Only the win32 backends, the Windows renderer, main and the Windows-only
# tests may include Windows headers; the layers point one way. The checker is
# held to every way around it, and the lint to the headers of this clone.
add_test(NAME layering.LayersPointOneWay
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check-layering.sh ${CMAKE_SOURCE_DIR})
add_test(NAME layering.CheckCatchesEveryWayAround COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check-layering-test.sh)
add_test(NAME lint.HeadersOfThisCloneOnly COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/lint-test.sh)

# Benchmarks of the core with the fakes: small timing programs, run by hand
# (never as tests).
file(GLOB KS_HOST_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/host/*.cpp)
add_custom_target(benches)
foreach(bench_source ${KS_HOST_BENCH_SOURCES})
  get_filename_component(bench_name ${bench_source} NAME_WE)
  add_executable(${bench_name} ${bench_source})
  target_link_libraries(${bench_name} PRIVATE kestrove_fake)
  set_target_properties(${bench_name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  add_dependencies(benches ${bench_name})
endforeach()
