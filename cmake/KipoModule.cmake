# kipo_module(NAME [DIR dir] DEPS ...): one static library per folder of src/, built from
# every .cpp in that folder, with src/ as the include root.
function(kipo_module name)
  cmake_parse_arguments(M "" "DIR" "DEPS" ${ARGN})
  if(NOT M_DIR)
    set(M_DIR ${name})
  endif()
  string(REPLACE "/" "_" target ${name})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${M_DIR}/*.cpp)
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
  target_link_libraries(test_${target} PRIVATE ${T_DEPS} kipo_testsupport GTest::gtest_main GTest::gmock)
  target_compile_definitions(test_${target} PRIVATE
    KIPO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    KIPO_SHARED_SAMPLES="${PROJECT_SOURCE_DIR}/../shared/samples")
  gtest_discover_tests(test_${target} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "KIPO_TEST=1" TIMEOUT 300)
endfunction()
