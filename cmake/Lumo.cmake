# Helpers that keep every module's CMakeLists short and alike, and keep the
# layers apart (see docs/DESIGN-NOTES.md, "Build").
#
# Layers, lowest first. A module may depend on (and include) modules of its
# own layer and of the layers below it, never above:
#   common     common/*         no Qt
#   platform   platform/*
#   engine     player/engine, player/core, converter, linker, splitter, finder
#   window     player/window
#   top        tools/*, install
# testsupport (testsupport/) is for tests only: it may use common and
# platform, and only tests and benchmarks may use it.

set(LUMO_LAYERS common platform engine window top)

# The rank of a layer in LUMO_LAYERS; testsupport ranks as platform.
function(_lumo_layer_rank layer out)
  if(layer STREQUAL "testsupport")
    set(layer platform)
  endif()
  list(FIND LUMO_LAYERS "${layer}" rank)
  if(rank LESS 0)
    message(FATAL_ERROR "Unknown layer '${layer}' (one of: ${LUMO_LAYERS} testsupport)")
  endif()
  set(${out} ${rank} PARENT_SCOPE)
endfunction()

# The folder, relative to the source root, that this CMakeLists is in.
function(_lumo_module_dir out)
  file(RELATIVE_PATH dir "${PROJECT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
  set(${out} "${dir}" PARENT_SCOPE)
endfunction()

# Records the layer of the current folder, for its tests and for the include
# check (cmake/CheckLayers.cmake). A folder holds modules of one layer.
function(lumo_layer layer)
  _lumo_layer_rank(${layer} rank)
  _lumo_module_dir(dir)
  get_directory_property(known LUMO_LAYER)
  if(known AND NOT known STREQUAL layer)
    message(FATAL_ERROR "${dir}: modules of layers ${known} and ${layer} in one folder")
  endif()
  set_directory_properties(PROPERTIES LUMO_LAYER ${layer})
  get_property(table GLOBAL PROPERTY LUMO_LAYER_TABLE)
  if(NOT "${dir}=${layer}" IN_LIST table)
    set_property(GLOBAL APPEND PROPERTY LUMO_LAYER_TABLE "${dir}=${layer}")
  endif()
endfunction()

# The include folder of the current module folder: <build>/include/<dir>
# holds one link, <dir> -> the source folder, so "common/text/text.h" is found
# only by targets that link the module.
function(_lumo_staged_include out)
  _lumo_module_dir(dir)
  string(REPLACE "/" "_" id "${dir}")
  set(root "${PROJECT_BINARY_DIR}/include/${id}")
  if(NOT EXISTS "${root}/${dir}")
    get_filename_component(parent "${root}/${dir}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    file(CREATE_LINK "${CMAKE_CURRENT_SOURCE_DIR}" "${root}/${dir}" SYMBOLIC)
  endif()
  set(${out} "${root}" PARENT_SCOPE)
endfunction()

# Fails when a target of layer `layer` links a lumo target of a higher layer
# (or, outside tests, a test-only one).
function(_lumo_check_deps who layer for_tests)
  _lumo_layer_rank(${layer} rank)
  foreach(dep IN LISTS ARGN)
    if(dep MATCHES "^(PUBLIC|PRIVATE|INTERFACE)$")
      continue()
    endif()
    if(layer STREQUAL "common" AND dep MATCHES "^Qt6::")
      message(FATAL_ERROR "${who} (layer common) links ${dep}: common modules do not use Qt")
    endif()
    if(NOT dep MATCHES "^lumo_")
      continue()
    endif()
    if(NOT TARGET ${dep})
      if(for_tests)
        # Tests of a low layer may link testsupport, which comes later.
        set_property(GLOBAL APPEND PROPERTY LUMO_DEFERRED_TEST_DEPS "${who}|${layer}|${dep}")
        continue()
      endif()
      message(FATAL_ERROR "${who} links ${dep}, which is not defined (yet): "
                          "add modules to LUMO_MODULES in dependency order")
    endif()
    get_target_property(dep_layer ${dep} LUMO_LAYER)
    if(NOT dep_layer)
      continue()
    endif()
    if(dep_layer STREQUAL "testsupport" AND NOT for_tests AND NOT layer STREQUAL "testsupport")
      message(FATAL_ERROR "${who} links the test-only ${dep}")
    endif()
    _lumo_layer_rank(${dep_layer} dep_rank)
    if(dep_rank GREATER rank AND NOT (for_tests AND dep_layer STREQUAL "testsupport"))
      message(FATAL_ERROR "${who} (layer ${layer}) links ${dep} of the higher layer ${dep_layer}")
    endif()
  endforeach()
endfunction()

# lumo_module(<target> LAYER <layer>
#             [EXECUTABLE | INTERFACE] [AUTOMOC]
#             [SOURCES <files...>] [DEPS <targets...>] [PRIVATE_DEPS <targets...>]
#             [HEADERS <files...>] [INCLUDES <folders...>])
# One library (or program) of a module. Its include folder is the source root
# as seen through this module alone, so its own headers and those of its DEPS
# (public) are found by path from the root ("platform/ui/ui.h") and nothing
# else is. DEPS and PRIVATE_DEPS must be of the module's layer or lower.
# INTERFACE makes a header-only library: HEADERS names the headers it
# publishes (each linked on its own, for a folder that is not a module),
# INCLUDES adds folders as they are (generated headers).
function(lumo_module name)
  cmake_parse_arguments(M "EXECUTABLE;INTERFACE;AUTOMOC" "LAYER"
                        "SOURCES;DEPS;PRIVATE_DEPS;HEADERS;INCLUDES" ${ARGN})
  if(NOT M_LAYER)
    message(FATAL_ERROR "lumo_module(${name}): LAYER is required")
  endif()
  if(M_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "lumo_module(${name}): unknown arguments ${M_UNPARSED_ARGUMENTS}")
  endif()
  lumo_layer(${M_LAYER})
  _lumo_check_deps(${name} ${M_LAYER} FALSE ${M_DEPS} ${M_PRIVATE_DEPS})

  if(M_INTERFACE)
    add_library(${name} INTERFACE)
    set(scope INTERFACE)
  elseif(M_EXECUTABLE)
    add_executable(${name} ${M_SOURCES})
    set(scope PRIVATE)
  else()
    add_library(${name} ${M_SOURCES})
    set(scope PUBLIC)
  endif()
  set_target_properties(${name} PROPERTIES LUMO_LAYER ${M_LAYER})
  if(M_AUTOMOC)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()

  if(M_HEADERS)
    _lumo_module_dir(dir)
    set(root "${PROJECT_BINARY_DIR}/include/${name}")
    foreach(header IN LISTS M_HEADERS)
      if(NOT EXISTS "${root}/${dir}/${header}")
        file(MAKE_DIRECTORY "${root}/${dir}")
        file(CREATE_LINK "${CMAKE_CURRENT_SOURCE_DIR}/${header}" "${root}/${dir}/${header}" SYMBOLIC)
      endif()
    endforeach()
    target_include_directories(${name} ${scope} "${root}")
  elseif(NOT M_INTERFACE)
    _lumo_staged_include(root)
    target_include_directories(${name} ${scope} "${root}")
  endif()
  if(M_INCLUDES)
    target_include_directories(${name} ${scope} ${M_INCLUDES})
  endif()
  if(M_INTERFACE)
    target_link_libraries(${name} INTERFACE ${M_DEPS})
  else()
    target_link_libraries(${name} ${scope} ${M_DEPS} PRIVATE ${M_PRIVATE_DEPS})
  endif()
endfunction()

# lumo_tests(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable per module; every test runs headless. The tests
# take the layer of their folder; besides it they may use testsupport.
function(lumo_tests name)
  if(NOT LUMO_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  get_directory_property(layer LUMO_LAYER)
  if(NOT layer)
    message(FATAL_ERROR "lumo_tests(${name}): call lumo_layer() or lumo_module() first")
  endif()
  _lumo_check_deps(${name} ${layer} TRUE ${T_LIBS})
  add_executable(${name} ${T_SOURCES})
  _lumo_staged_include(root)
  target_include_directories(${name} PRIVATE "${root}")
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    LUMO_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    LUMO_TEST_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LUMO_MPV_OPTIONS=ao=null,vo=null")
endfunction()

# lumo_benchmark(<name> SOURCES <files...> LIBS <targets...>)
# Built only with -DLUMO_BUILD_BENCHMARKS=ON.
function(lumo_benchmark name)
  if(NOT LUMO_BUILD_BENCHMARKS)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  get_directory_property(layer LUMO_LAYER)
  _lumo_check_deps(${name} ${layer} TRUE ${B_LIBS})
  add_executable(${name} ${B_SOURCES})
  _lumo_staged_include(root)
  target_include_directories(${name} PRIVATE "${root}")
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()

# Writes the table of folders and layers and checks every quoted include of
# the tree against it (cmake/CheckLayers.cmake); the test lumo_layers runs the
# same check, so an include added after configuring is caught by ctest.
function(lumo_check_layers)
  get_property(deferred GLOBAL PROPERTY LUMO_DEFERRED_TEST_DEPS)
  foreach(entry IN LISTS deferred)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 who)
    list(GET entry 1 layer)
    list(GET entry 2 dep)
    if(NOT TARGET ${dep})
      message(FATAL_ERROR "${who} links ${dep}, which is not defined")
    endif()
    _lumo_check_deps(${who} ${layer} TRUE ${dep})
  endforeach()
  get_property(table GLOBAL PROPERTY LUMO_LAYER_TABLE)
  set(file "${PROJECT_BINARY_DIR}/lumo_layers.txt")
  list(JOIN table "\n" text)
  file(WRITE "${file}.tmp" "${text}\n")
  file(COPY_FILE "${file}.tmp" "${file}" ONLY_IF_DIFFERENT)
  set(LUMO_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
  set(LUMO_LAYER_TABLE "${file}")
  include("${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake")
  if(LUMO_BUILD_TESTS)
    add_test(NAME lumo_layers
      COMMAND ${CMAKE_COMMAND} -DLUMO_SOURCE_DIR=${PROJECT_SOURCE_DIR}
              -DLUMO_LAYER_TABLE=${file} -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake)
    # The check itself: a tree where common includes platform must fail.
    add_test(NAME lumo_layers_catch_upward_include
      COMMAND ${CMAKE_COMMAND} -DLUMO_SOURCE_DIR=${PROJECT_SOURCE_DIR}/cmake/tests/upward
              -DLUMO_LAYER_TABLE=${PROJECT_SOURCE_DIR}/cmake/tests/upward/layers.txt
              -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake)
    set_tests_properties(lumo_layers_catch_upward_include PROPERTIES
      PASS_REGULAR_EXPRESSION
      "common/low/low.h includes \"platform/high/high.h\".*linker/prog.cpp includes \"testsupport/temp.h\", which is for tests only")
  endif()
endfunction()

# lumo_gcc_false_restrict(<source>...): GCC 12 at -O2 and above warns falsely
# (-Wrestrict, GCC bug 105329) on std::string concatenation, where it inlines
# std::char_traits<char>::copy and then sees overlaps of absurd sizes. The
# warning is turned off for the named sources of the calling CMakeLists.txt
# only, and only for GCC 12, so every other file and compiler keeps it.
# A new site shows up in the Release build of scripts/test.sh; name its file
# here in its module's CMakeLists.txt.
function(lumo_gcc_false_restrict)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    set_property(SOURCE ${ARGN} APPEND PROPERTY COMPILE_OPTIONS -Wno-restrict)
  endif()
endfunction()
