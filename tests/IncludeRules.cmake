# Fails when a file of src/ includes a folder that its own folder may not
# use: dependencies point down, so that a lower layer can be read, built and
# tested without the windows above it. Run by CTest:
#   cmake -DSOURCE_DIR=<folder holding the subsystem folders> -P IncludeRules.cmake
#
# A folder missing from the table may include anything (the windows and
# main.cpp); a folder listed may include only itself and the folders named.
cmake_minimum_required(VERSION 3.25)

set(allowed_platform "")
set(allowed_readings platform)
set(allowed_sound platform)
set(allowed_speech readings sound platform)
set(allowed_settings platform)
set(allowed_controls platform)

if(NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "no source folder: ${SOURCE_DIR}")
endif()
file(GLOB folders LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
set(broken "")
foreach(folder IN LISTS folders)
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/${folder}" OR NOT DEFINED allowed_${folder})
    continue()
  endif()
  file(GLOB_RECURSE files "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.inc")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      if(NOT line MATCHES "\"([^\"]*)\"")
        continue()
      endif()
      set(included "${CMAKE_MATCH_1}")
      # A name without a folder is the folder's own file or the companion
      # library's header, both below every layer.
      if(NOT included MATCHES "^([^/]+)/")
        continue()
      endif()
      set(target "${CMAKE_MATCH_1}")
      if(target STREQUAL folder OR target IN_LIST allowed_${folder})
        continue()
      endif()
      file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
      list(JOIN allowed_${folder} "/, " may)
      if(may)
        set(may "${may}/")
      else()
        set(may "nothing else")
      endif()
      string(APPEND broken "  ${shown}: ${included} (${folder}/ may include ${folder}/ and ${may})\n")
    endforeach()
  endforeach()
endforeach()
if(broken)
  message(FATAL_ERROR "Includes that point up:\n${broken}")
endif()
