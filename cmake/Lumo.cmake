# Helpers that keep every module's CMakeLists short and alike, and keep the
# layers apart (see docs/DESIGN-NOTES.md, "Build").
#
# Layers, lowest first. A module may depend on (and include) modules of its
# own layer and of the layers below it, never above:
#   common     common/*            no Qt
#   platform   platform/*          the thin layers over the desktop
#   core       <program>/core      a program's work, no widgets (Qt Core only)
#   window     <program>/window    a program's windows and executable
#   top        tools/*, install
# A program (player, zivuvu, converter, finder, splitter) links the core and
# window modules of no other program; only its tests may.
# testsupport (testsupport/) is for tests only: it may use common and
# platform, and only tests, benchmarks and fuzz targets may use it. Its
# helpers that need nothing above common (files, MP3 frames made by the
# tests) are the layer testsupport_common (testsupport/common/), which the
# tests of common use.

set(LUMO_LAYERS common platform core window top)
# Qt's libraries that draw: a module that links one (or a target that does)
# is no longer widget-free.
set(LUMO_QT_GUI_TARGETS Qt6::Gui Qt6::GuiPrivate Qt6::Widgets Qt6::WidgetsPrivate)

# The rank of a layer in LUMO_LAYERS; testsupport ranks as platform,
# testsupport_common as common.
function(_lumo_layer_rank layer out)
  if(layer STREQUAL "testsupport")
    set(layer platform)
  elseif(layer STREQUAL "testsupport_common")
    set(layer common)
  endif()
  list(FIND LUMO_LAYERS "${layer}" rank)
  if(rank LESS 0)
    message(FATAL_ERROR "Unknown layer '${layer}' (one of: ${LUMO_LAYERS} testsupport testsupport_common)")
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

# The program a module folder belongs to: the first folder of a core or
# window module ("converter" for converter/core); "" for the shared layers.
function(_lumo_program_of layer out)
  set(program "")
  if(layer STREQUAL "core" OR layer STREQUAL "window")
    _lumo_module_dir(dir)
    string(REGEX REPLACE "/.*" "" program "${dir}")
  endif()
  set(${out} "${program}" PARENT_SCOPE)
endfunction()

# True when a dependency draws: one of Qt's GUI libraries, or a lumo target
# that links one (LUMO_USES_GUI, set by lumo_module).
function(_lumo_dep_uses_gui dep out)
  set(uses FALSE)
  if(dep IN_LIST LUMO_QT_GUI_TARGETS)
    set(uses TRUE)
  elseif(dep MATCHES "^lumo_" AND TARGET ${dep})
    get_target_property(uses ${dep} LUMO_USES_GUI)
  endif()
  set(${out} ${uses} PARENT_SCOPE)
endfunction()

# Fails when a production module of the core layer links a library that draws.
function(_lumo_check_gui who layer for_tests dep)
  if(layer STREQUAL "core" AND NOT for_tests)
    _lumo_dep_uses_gui(${dep} uses_gui)
    if(uses_gui)
      message(FATAL_ERROR "${who} (layer core) links ${dep}, which draws: "
                          "a program's core uses no widgets; put it in the program's window module")
    endif()
  endif()
endfunction()

# Fails when a target of layer `layer` links a lumo target of a higher layer
# (or, outside tests, a test-only one, a library that draws from a core
# module, or another program's module).
function(_lumo_check_deps who layer for_tests)
  _lumo_layer_rank(${layer} rank)
  _lumo_program_of(${layer} program)
  foreach(dep IN LISTS ARGN)
    if(dep MATCHES "^(PUBLIC|PRIVATE|INTERFACE)$")
      continue()
    endif()
    if(layer STREQUAL "common" AND dep MATCHES "^Qt6::")
      message(FATAL_ERROR "${who} (layer common) links ${dep}: common modules do not use Qt")
    endif()
    if(NOT dep MATCHES "^lumo_")
      _lumo_check_gui(${who} ${layer} ${for_tests} ${dep})
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
    if(dep_layer MATCHES "^testsupport" AND NOT for_tests AND NOT layer MATCHES "^testsupport")
      message(FATAL_ERROR "${who} links the test-only ${dep}")
    endif()
    _lumo_layer_rank(${dep_layer} dep_rank)
    if(dep_rank GREATER rank)
      message(FATAL_ERROR "${who} (layer ${layer}) links ${dep} of the higher layer ${dep_layer}")
    endif()
    _lumo_check_gui(${who} ${layer} ${for_tests} ${dep})
    get_target_property(dep_program ${dep} LUMO_PROGRAM)
    if(program AND dep_program AND NOT dep_program STREQUAL program AND NOT for_tests)
      message(FATAL_ERROR "${who} (program ${program}) links ${dep} of the program ${dep_program}: "
                          "what two programs share belongs in common or platform")
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
  _lumo_program_of(${M_LAYER} program)
  set(uses_gui FALSE)
  foreach(dep IN LISTS M_DEPS M_PRIVATE_DEPS)
    _lumo_dep_uses_gui(${dep} dep_uses_gui)
    if(dep_uses_gui)
      set(uses_gui TRUE)
    endif()
  endforeach()
  set_target_properties(${name} PROPERTIES LUMO_LAYER ${M_LAYER} LUMO_PROGRAM "${program}" LUMO_USES_GUI ${uses_gui})
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

# _lumo_test_program(<caller> <name> <sources> <libs>): an executable of the
# tests, benchmarks or fuzz targets of the current folder, which takes the
# folder's layer, with the tree's include root and its libraries.
function(_lumo_test_program caller name sources libs)
  get_directory_property(layer LUMO_LAYER)
  if(NOT layer)
    message(FATAL_ERROR "${caller}(${name}): call lumo_layer() or lumo_module() first")
  endif()
  _lumo_check_deps(${name} ${layer} TRUE ${libs})
  add_executable(${name} ${sources})
  _lumo_staged_include(root)
  target_include_directories(${name} PRIVATE "${root}")
  target_link_libraries(${name} PRIVATE ${libs})
endfunction()

# lumo_tests(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable per module; every test runs headless. The tests
# take the layer of their folder; besides it they may use testsupport.
function(lumo_tests name)
  if(NOT LUMO_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  _lumo_test_program(lumo_tests ${name} "${T_SOURCES}" "${T_LIBS}")
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main)
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
  _lumo_test_program(lumo_benchmark ${name} "${B_SOURCES}" "${B_LIBS}")
  target_link_libraries(${name} PRIVATE benchmark::benchmark)
endfunction()

# lumo_fit_tests(<tests> <gtest filter>): a window test program's fit tests
# run again on a 1280x1024 screen (testsupport/screen_1280x1024.json), at an
# 18 point text as the tests set it and once more at twice the scale.
function(lumo_fit_tests tests filter)
  if(NOT TARGET ${tests})
    return()
  endif()
  set(screen "QT_QPA_PLATFORM=offscreen:configfile=${PROJECT_SOURCE_DIR}/testsupport/screen_1280x1024.json")
  add_test(NAME ${tests}_fit_1280x1024 COMMAND ${tests} --gtest_filter=${filter})
  add_test(NAME ${tests}_fit_1280x1024_scale2 COMMAND ${tests} --gtest_filter=${filter})
  set_tests_properties(${tests}_fit_1280x1024 PROPERTIES ENVIRONMENT "${screen}")
  set_tests_properties(${tests}_fit_1280x1024_scale2 PROPERTIES ENVIRONMENT "${screen};QT_SCALE_FACTOR=2")
endfunction()

# lumo_fuzzer(<name> SOURCES <files...> LIBS <targets...>)
# A libFuzzer target (LLVMFuzzerTestOneInput in its sources), built only with
# -DLUMO_BUILD_FUZZERS=ON. It may use what tests may (testsupport included).
# Every fuzz target is part of the target lumo_fuzzers and is named in
# <build>/lumo_fuzzers.txt, from which scripts/test.sh runs each one.
function(lumo_fuzzer name)
  if(NOT LUMO_BUILD_FUZZERS)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  _lumo_test_program(lumo_fuzzer ${name} "${F_SOURCES}" "${F_LIBS}")
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  if(NOT TARGET lumo_fuzzers)
    add_custom_target(lumo_fuzzers)
  endif()
  add_dependencies(lumo_fuzzers ${name})
  set_property(GLOBAL APPEND PROPERTY LUMO_FUZZERS "$<TARGET_FILE:${name}>")
endfunction()

# <build>/lumo_fuzzers.txt: the fuzz targets' executables, one a line.
function(lumo_write_fuzzer_list)
  get_property(fuzzers GLOBAL PROPERTY LUMO_FUZZERS)
  list(JOIN fuzzers "\n" text)
  file(GENERATE OUTPUT "${PROJECT_BINARY_DIR}/lumo_fuzzers.txt" CONTENT "${text}\n")
endfunction()

# Every module folder (a folder with a CMakeLists.txt, outside the build
# trees and the checks' own fixtures) is named in LUMO_MODULES, and every
# name there is a module folder: a module left out would otherwise be
# neither built nor tested, without a word.
function(_lumo_check_modules)
  set(root "${PROJECT_SOURCE_DIR}")
  file(GLOB children RELATIVE "${root}" LIST_DIRECTORIES true "${root}/*")
  set(found "")
  foreach(child IN LISTS children)
    if(NOT IS_DIRECTORY "${root}/${child}" OR child MATCHES "^(\\.|build)" OR child STREQUAL "cmake")
      continue()
    endif()
    file(GLOB_RECURSE lists RELATIVE "${root}" "${root}/${child}/CMakeLists.txt")
    foreach(list IN LISTS lists)
      get_filename_component(dir "${list}" DIRECTORY)
      list(APPEND found "${dir}")
    endforeach()
  endforeach()
  foreach(dir IN LISTS found)
    if(NOT dir IN_LIST LUMO_MODULES)
      message(FATAL_ERROR "${dir}/CMakeLists.txt is no module of LUMO_MODULES: "
                          "add ${dir} to LUMO_MODULES (CMakeLists.txt) in dependency order")
    endif()
  endforeach()
  foreach(module IN LISTS LUMO_MODULES)
    if(NOT EXISTS "${root}/${module}/CMakeLists.txt")
      message(FATAL_ERROR "LUMO_MODULES names ${module}, which has no CMakeLists.txt")
    endif()
  endforeach()
endfunction()

# Writes the table of folders and layers and checks every quoted include of
# the tree against it (cmake/CheckLayers.cmake); the test lumo_layers runs the
# same check, so an include added after configuring is caught by ctest.
function(lumo_check_layers)
  _lumo_check_modules()
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
  _lumo_write_gui_headers("${PROJECT_BINARY_DIR}/lumo_qt_gui_headers.txt")
  set(LUMO_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
  set(LUMO_LAYER_TABLE "${file}")
  set(LUMO_QT_GUI_HEADERS "${PROJECT_BINARY_DIR}/lumo_qt_gui_headers.txt")
  include("${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake")
  if(LUMO_BUILD_TESTS)
    add_test(NAME lumo_layers
      COMMAND ${CMAKE_COMMAND} -DLUMO_SOURCE_DIR=${PROJECT_SOURCE_DIR}
              -DLUMO_LAYER_TABLE=${file} -DLUMO_QT_GUI_HEADERS=${LUMO_QT_GUI_HEADERS}
              -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake)
    _lumo_add_layer_check_tests()
  endif()
endfunction()

# The class and file names of Qt's GUI and widget headers ("QWidget",
# "qwidget.h"), one a line, for the include check.
function(_lumo_write_gui_headers file)
  set(names "")
  foreach(target IN ITEMS Qt6::Gui Qt6::Widgets)
    get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
    foreach(dir IN LISTS dirs)
      if(dir MATCHES "/Qt(Gui|Widgets)$" AND IS_DIRECTORY "${dir}")
        file(GLOB headers RELATIVE "${dir}" "${dir}/Q*" "${dir}/q*.h")
        list(APPEND names ${headers})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES names)
  list(JOIN names "\n" text)
  file(WRITE "${file}.tmp" "${text}\n")
  file(COPY_FILE "${file}.tmp" "${file}" ONLY_IF_DIFFERENT)
endfunction()

# The checks themselves, on small trees made to break them
# (cmake/tests/layers): each must fail, with the message that names the fault.
function(_lumo_add_layer_check_tests)
  set(fixtures "${PROJECT_SOURCE_DIR}/cmake/tests/layers")
  add_test(NAME lumo_layers_catch_bad_include
    COMMAND ${CMAKE_COMMAND} -DLUMO_SOURCE_DIR=${fixtures}/includes
            -DLUMO_LAYER_TABLE=${fixtures}/includes/layers.txt
            -DLUMO_QT_GUI_HEADERS=${fixtures}/includes/gui_headers.txt
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake)
  set_tests_properties(lumo_layers_catch_bad_include PROPERTIES PASS_REGULAR_EXPRESSION
    "common/low/low.h includes \"platform/high/high.h\".*common/low/tests/low_test.cpp includes \"testsupport/temp.h\" of the higher layer testsupport.*prog/core/job.cpp includes \"prog/window/form.h\" of the higher layer window.*prog/core/job.cpp includes \"testsupport/temp.h\", which is for tests only.*prog/core/job.cpp includes <QWidget>, which draws.*prog/core/job.cpp includes <QtGui/QPainter>, which draws")
  # Links are checked when the build is configured: one configure per fault.
  set(cases
    "widgets|lumo_job \\(layer core\\) links Qt6::Widgets, which draws"
    "gui_through_platform|lumo_job \\(layer core\\) links lumo_drawing, which draws"
    "private_gui|lumo_job \\(layer core\\) links Qt6::Gui, which draws"
    "window_from_core|lumo_job \\(layer core\\) links lumo_form of the higher layer window"
    "other_program|lumo_job \\(program alpha\\) links lumo_beta of the program beta")
  foreach(entry IN LISTS cases)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 case)
    list(GET entry 1 expected)
    add_test(NAME lumo_layers_catch_link_${case}
      COMMAND ${CMAKE_COMMAND} -S ${fixtures}/links -B ${PROJECT_BINARY_DIR}/layer_fixtures/${case}
              -DLUMO_CASE=${case} -DLUMO_CMAKE_DIR=${PROJECT_SOURCE_DIR}/cmake)
    set_tests_properties(lumo_layers_catch_link_${case} PROPERTIES PASS_REGULAR_EXPRESSION "${expected}")
  endforeach()
  # The same fixture with nothing wrong configures: the faults above are the
  # only reason those runs fail.
  add_test(NAME lumo_layers_accept_sound_links
    COMMAND ${CMAKE_COMMAND} -S ${fixtures}/links -B ${PROJECT_BINARY_DIR}/layer_fixtures/sound
            -DLUMO_CASE=sound -DLUMO_CMAKE_DIR=${PROJECT_SOURCE_DIR}/cmake)
  # The module list against the module folders, the same way.
  set(modules "${PROJECT_SOURCE_DIR}/cmake/tests/modules")
  set(cases
    "unlisted|beta/core/CMakeLists.txt is no module of LUMO_MODULES"
    "missing|LUMO_MODULES names gamma, which has no CMakeLists.txt"
    "sound|Build files have been written")
  foreach(entry IN LISTS cases)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 case)
    list(GET entry 1 expected)
    add_test(NAME lumo_modules_check_${case}
      COMMAND ${CMAKE_COMMAND} -S ${modules} -B ${PROJECT_BINARY_DIR}/module_fixtures/${case}
              -DLUMO_CASE=${case} -DLUMO_CMAKE_DIR=${PROJECT_SOURCE_DIR}/cmake)
    set_tests_properties(lumo_modules_check_${case} PROPERTIES PASS_REGULAR_EXPRESSION "${expected}")
  endforeach()
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
