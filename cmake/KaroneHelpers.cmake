# Shared compile settings for every target of the project.
add_library(karone_options INTERFACE)
target_compile_options(karone_options INTERFACE -Wall -Wextra)
target_include_directories(karone_options INTERFACE ${PROJECT_SOURCE_DIR})
target_link_libraries(karone_options INTERFACE Threads::Threads)
if(KARONE_THREAD_CHECKS)
  # "Owner's thread only" is checked at run time (platform/ThreadCheck.h).
  target_compile_definitions(karone_options INTERFACE KARONE_THREAD_CHECKS)
endif()
if(KARONE_SANITIZE)
  target_compile_options(karone_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(karone_options INTERFACE -fsanitize=address,undefined)
endif()
if(KARONE_TSAN)
  target_compile_options(karone_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(karone_options INTERFACE -fsanitize=thread)
endif()
if(KARONE_BUILD_FUZZ)
  # Instrument the libraries for coverage so that fuzz targets can link them.
  target_compile_options(karone_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
  target_link_options(karone_options INTERFACE -fsanitize=address,undefined)
endif()

# karone_library(NAME [DEPS ...]): a static library of every .cpp file in the
# current folder (not its subfolders).
function(karone_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC karone_options ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE karone_options ${ARG_DEPS})
  endif()
endfunction()

# karone_test_folder(NAME [DEPS ...]): one GoogleTest executable of every
# .cpp file in the current folder, registered with CTest test by test.
function(karone_test_folder name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE karone_options karone_test_support ${ARG_DEPS}
    GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "KARONE_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# The automoc step of a Ninja build does not notice a file that is new since
# it last ran (the class would link without its moc code): when a target's
# list of files changes (the globs are re-checked at every build), make the
# step run again.
function(karone_rerun_automoc_on_new_files name sources)
  string(SHA256 listed "${sources}")
  set(seen ${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen_files.sha256)
  if(EXISTS ${seen})
    file(READ ${seen} before)
  endif()
  if(NOT "${before}" STREQUAL "${listed}")
    file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/timestamp)
    file(WRITE ${seen} "${listed}")
  endif()
endfunction()

# karone_ui_library(NAME [DEPS ...]): the library of a ui/ folder, the only
# kind of library that links Qt 6 Widgets (moc runs on its headers; a .qrc
# file in the folder is compiled in).
function(karone_ui_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(${name} STATIC ${sources})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
  karone_rerun_automoc_on_new_files(${name} "${sources}")
  target_link_libraries(${name} PUBLIC karone_options Qt6::Widgets ${ARG_DEPS})
endfunction()

# karone_ui_test_folder(NAME [DEPS ...]): as karone_test_folder, for the tests
# of a ui/ folder: a QApplication on the offscreen platform runs the tests,
# so no display is needed.
function(karone_ui_test_folder name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  karone_rerun_automoc_on_new_files(${name} "${sources}")
  target_link_libraries(${name} PRIVATE karone_options karone_test_support_ui ${ARG_DEPS}
    Qt6::Widgets Qt6::Test GTest::gtest GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "KARONE_SOURCE_DIR=${PROJECT_SOURCE_DIR};QT_QPA_PLATFORM=offscreen")
endfunction()
