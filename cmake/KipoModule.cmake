# kipo_module(NAME [DIR dir] DEPS ... [EXCLUDE files]): one static library per folder of
# src/, built from every .cpp in that folder (but the EXCLUDE'd ones, which a plugin
# holds), with src/ as the include root.
function(kipo_module name)
  cmake_parse_arguments(M "" "DIR" "DEPS;EXCLUDE" ${ARGN})
  if(NOT M_DIR)
    set(M_DIR ${name})
  endif()
  string(REPLACE "/" "_" target ${name})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${M_DIR}/*.cpp)
  if(M_EXCLUDE)
    list(REMOVE_ITEM sources ${M_EXCLUDE})
  endif()
  if(NOT sources)
    # A module with headers only so far: an interface target, so that users can link it.
    add_library(kipo_${target} INTERFACE)
    target_include_directories(kipo_${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(kipo_${target} INTERFACE ${M_DEPS})
    return()
  endif()
  add_library(kipo_${target} STATIC ${sources})
  target_include_directories(kipo_${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(kipo_${target} PUBLIC ${M_DEPS})
  set_target_properties(kipo_${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# kipo_plugin(NAME FOR module SOURCES ... DEPS ...): a shared module loaded on first use
# (platform/plugin.h) beside the programs in the build folder. It holds its own copy of the
# static modules it uses and exports only its entry function, so its code never binds to
# the program's; `module` (which forwards to it) depends on it, so whatever links the module
# finds the plugin built.
function(kipo_plugin name)
  cmake_parse_arguments(P "" "FOR" "SOURCES;DEPS" ${ARGN})
  add_library(${name} MODULE ${P_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${P_DEPS})
  set_target_properties(${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
                        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(${name} PRIVATE -Wl,--exclude-libs,ALL)
  if(NOT KIPO_BUILD_FUZZ)
    # Every symbol resolved when the plugin is linked, not when a user first needs it.
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
  endif()
  add_dependencies(${P_FOR} ${name})
endfunction()

# kipo_test(MODULE DEPS ...): one GoogleTest binary per module, from tests/<module>/*.cpp.
function(kipo_test name)
  cmake_parse_arguments(T "" "" "DEPS" ${ARGN})
  string(REPLACE "/" "_" target ${name})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${target} ${sources})
  target_include_directories(test_${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(test_${target} PRIVATE ${T_DEPS} kipo_testsupport kipo_testmain GTest::gmock)
  target_compile_definitions(test_${target} PRIVATE
    KIPO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    KIPO_SHARED_SAMPLES="${PROJECT_SOURCE_DIR}/../shared/samples")
  gtest_discover_tests(test_${target} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "KIPO_TEST=1" TIMEOUT 300)
endfunction()
