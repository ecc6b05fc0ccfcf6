# qor_library(NAME DEPS...): a static library from every .cpp of the calling folder.
function(qor_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# qor_tests(LIBS...): one test program per test_*.cpp of the calling folder, so that
# each unit's tests build and fail on their own.
function(qor_tests)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
  get_filename_component(area ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  foreach(src ${tests})
    get_filename_component(unit ${src} NAME_WE)
    set(target ${area}_${unit})
    add_executable(${target} ${src})
    target_link_libraries(${target} PRIVATE ${ARGN} qortestsupport GTest::gtest GTest::gtest_main)
    target_compile_definitions(${target} PRIVATE
      QOR_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
      QOR_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(${target}
      DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config;XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data;HOME=${CMAKE_BINARY_DIR}/test-home")
  endforeach()
endfunction()

# qor_forbid_qt(NAME): the library builds on the standard library alone. A probe compiled
# with its own sources stops the build as soon as Qt's headers or definitions reach the
# library, whether by a link, an include folder or a definition.
function(qor_forbid_qt name)
  target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/QorWithoutQt.cpp)
  # Position-independent as the Qt libraries make the others: kaloroots' drawing module, a
  # shared object, links them too.
  set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF POSITION_INDEPENDENT_CODE ON)
endfunction()
