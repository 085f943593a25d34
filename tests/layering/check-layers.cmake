# Checks the program's layers. Run as
#   cmake -DSOURCE_DIR=<tree> -DCOMPILE_COMMANDS=<build>/compile_commands.json -P check-layers.cmake
#
# 1. Includes go downwards only. Every folder below has a rank; a source may
#    include headers of its own folder and of folders of a lower rank, never
#    of a higher rank nor of another folder of the same rank (the features
#    stay independent of each other).
# 2. Logic has no widgets. No source outside the ui/ folders and app/shell,
#    and no test target outside the *_ui_tests and shell tests, is compiled
#    with Qt Widgets (a target linking Qt6::Widgets, even indirectly, gets
#    its headers on its command line).
# Prints every violation and fails when there is one.
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR OR NOT COMPILE_COMMANDS)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=... -DCOMPILE_COMMANDS=... -P check-layers.cmake")
endif()

# Folder and rank, most specific folder first.
set(LAYERS
  "app/shell:6" "app:5" "resources/demo:5"
  "sortwin/ui:4" "tools/ui:4"
  "sortwin:3" "tools:3" "ui:3"
  "slideshow:2"
  "imagelib:1" "resources:1"
  "core:0")
set(WIDGET_FOLDERS "app/shell" "sortwin/ui" "tools/ui" "ui")

# Sets <out_folder> and <out_rank> for a path relative to the tree (empty
# folder when the path lies in no layer).
function(layer_of path out_folder out_rank)
  foreach(entry IN LISTS LAYERS)
    string(REPLACE ":" ";" pair "${entry}")
    list(GET pair 0 folder)
    list(GET pair 1 rank)
    string(LENGTH "${folder}/" length)
    string(SUBSTRING "${path}" 0 ${length} head)
    if(head STREQUAL "${folder}/")
      set(${out_folder} "${folder}" PARENT_SCOPE)
      set(${out_rank} ${rank} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out_folder} "" PARENT_SCOPE)
  set(${out_rank} -1 PARENT_SCOPE)
endfunction()

set(violations 0)

# --- 1. includes --------------------------------------------------------------
set(globs)
foreach(entry IN LISTS LAYERS)
  string(REPLACE ":" ";" pair "${entry}")
  list(GET pair 0 folder)
  list(APPEND globs "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
endforeach()
file(GLOB_RECURSE sources LIST_DIRECTORIES false ${globs})
list(REMOVE_DUPLICATES sources)
foreach(source IN LISTS sources)
  file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
  layer_of("${relative}" own_folder own_rank)
  file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${line}")
    layer_of("${header}" folder rank)
    if(folder STREQUAL "" OR folder STREQUAL own_folder)
      continue()
    endif()
    if(rank GREATER own_rank)
      message("layering: ${relative} (${own_folder}) includes ${header} from the higher layer ${folder}")
      math(EXPR violations "${violations} + 1")
    elseif(rank EQUAL own_rank)
      message("layering: ${relative} (${own_folder}) includes ${header} from ${folder}, a layer beside it")
      math(EXPR violations "${violations} + 1")
    endif()
  endforeach()
endforeach()

# --- 2. widgets ---------------------------------------------------------------
file(READ "${COMPILE_COMMANDS}" commands)
string(JSON count LENGTH "${commands}")
if(count GREATER 0)
  math(EXPR last "${count} - 1")
  foreach(index RANGE ${last})
    string(JSON file GET "${commands}" ${index} file)
    string(JSON command ERROR_VARIABLE no_command GET "${commands}" ${index} command)
    if(no_command)
      string(JSON arguments GET "${commands}" ${index} arguments)
      set(command "${arguments}")
    endif()
    if(NOT command MATCHES "QtWidgets")
      continue()
    endif()
    file(RELATIVE_PATH relative "${SOURCE_DIR}" "${file}")
    if(relative MATCHES "^tests/")
      # The target is the object folder: .../CMakeFiles/<target>.dir/...
      string(REGEX MATCH "CMakeFiles/([^/ ]+)\\.dir/" _ "${command}")
      set(target "${CMAKE_MATCH_1}")
      if(NOT target MATCHES "(_ui_tests$|^shell_|_widgets_test_main$)")
        message("layering: the test target ${target} (${relative}) is compiled with Qt Widgets")
        math(EXPR violations "${violations} + 1")
      endif()
      continue()
    endif()
    layer_of("${relative}" folder rank)
    if(folder STREQUAL "")
      continue()
    endif()
    list(FIND WIDGET_FOLDERS "${folder}" widget_folder)
    if(widget_folder EQUAL -1)
      message("layering: ${relative} of the logic layer ${folder} is compiled with Qt Widgets")
      math(EXPR violations "${violations} + 1")
    endif()
  endforeach()
endif()

if(violations GREATER 0)
  message(FATAL_ERROR "layering: ${violations} violation(s)")
endif()
message("layering: every include goes downwards and no logic uses Qt Widgets")
