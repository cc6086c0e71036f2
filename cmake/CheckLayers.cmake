# Checks that no file of the tree includes a header of a higher layer (a
# test neither: the tests of common use testsupport/common, not the rest of
# testsupport, which ranks as platform), that only tests, benchmarks, fuzz
# targets and testsupport itself include testsupport, and that no production file of the common and core layers
# includes a header of Qt's GUI or widget libraries.
# Run as a script: cmake -DLUMO_SOURCE_DIR=<root> -DLUMO_LAYER_TABLE=<file>
# [-DLUMO_QT_GUI_HEADERS=<file>] -P CheckLayers.cmake, or include()d at
# configure time with them set. The table has one "<folder>=<layer>" line per
# module folder (see Lumo.cmake); the header list one header name per line
# ("QWidget", "qwidget.h"), besides which every "QtGui/..." and
# "QtWidgets/..." counts.

cmake_minimum_required(VERSION 3.25)

set(_lumo_layers common platform core window top)
function(_lumo_check_rank layer out)
  if(layer STREQUAL "testsupport")
    set(layer platform)
  elseif(layer STREQUAL "testsupport_common")
    set(layer common)
  endif()
  list(FIND _lumo_layers "${layer}" rank)
  set(${out} ${rank} PARENT_SCOPE)
endfunction()

# The layer of a path (a file or an include), by its longest module folder;
# "" when the path lies in no module.
function(_lumo_layer_of path dirs out)
  set(best "")
  set(best_len -1)
  foreach(entry IN LISTS dirs)
    string(REGEX REPLACE "=.*" "" dir "${entry}")
    string(LENGTH "${dir}" len)
    string(FIND "${path}/" "${dir}/" at)
    if(at EQUAL 0 AND len GREATER best_len)
      string(REGEX REPLACE ".*=" "" best "${entry}")
      set(best_len ${len})
    endif()
  endforeach()
  set(${out} "${best}" PARENT_SCOPE)
endfunction()

# The GUI headers among a file's <...> includes, as "<header>" texts.
function(_lumo_gui_includes file gui_headers out)
  set(found "")
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*<")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*<([^>]*)>.*" "\\1" header "${line}")
    if(header MATCHES "^Qt(Gui|Widgets)(/|$)" OR header IN_LIST gui_headers)
      list(APPEND found "<${header}>")
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

function(lumo_check_layer_table root table_file gui_headers_file)
  file(STRINGS "${table_file}" dirs REGEX "=")
  set(gui_headers "")
  if(gui_headers_file)
    file(STRINGS "${gui_headers_file}" gui_headers)
  endif()
  set(problems "")
  foreach(entry IN LISTS dirs)
    string(REGEX REPLACE "=.*" "" dir "${entry}")
    file(GLOB_RECURSE files RELATIVE "${root}" "${root}/${dir}/*.h" "${root}/${dir}/*.cpp")
    foreach(file IN LISTS files)
      # A file of a nested module folder takes that folder's layer.
      _lumo_layer_of("${file}" "${dirs}" layer)
      if(NOT layer)
        continue()
      endif()
      _lumo_check_rank(${layer} rank)
      set(test_only FALSE)
      if(file MATCHES "(^|/)(tests|bench|fuzz)/" OR layer MATCHES "^testsupport")
        set(test_only TRUE)
      endif()
      if(NOT test_only AND (layer STREQUAL "common" OR layer STREQUAL "core"))
        _lumo_gui_includes("${root}/${file}" "${gui_headers}" gui)
        foreach(header IN LISTS gui)
          list(APPEND problems "${file} includes ${header}, which draws (a ${layer} module uses no widgets)")
        endforeach()
      endif()
      file(STRINGS "${root}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
      foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
        _lumo_layer_of("${header}" "${dirs}" header_layer)
        if(NOT header_layer)
          continue()
        endif()
        _lumo_check_rank(${header_layer} header_rank)
        if(header_layer MATCHES "^testsupport" AND NOT test_only)
          list(APPEND problems "${file} includes \"${header}\", which is for tests only")
        elseif(header_rank GREATER rank)
          list(APPEND problems "${file} includes \"${header}\" of the higher layer ${header_layer} (its own layer is ${layer})")
        endif()
      endforeach()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES problems)
  if(problems)
    list(SORT problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Layer check failed:\n  ${text}\n(lower layers never include higher ones; see docs/DESIGN-NOTES.md, \"Build\")")
  endif()
endfunction()

lumo_check_layer_table("${LUMO_SOURCE_DIR}" "${LUMO_LAYER_TABLE}" "${LUMO_QT_GUI_HEADERS}")
