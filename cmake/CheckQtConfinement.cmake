# Fails when a source file outside a ui/ folder includes a Qt header, or a
# CMakeLists.txt outside a ui/ folder links Qt: the core builds and is tested
# without Qt. Run as: cmake -DSOURCE_DIR=<repository> -P CheckQtConfinement.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR not set")
endif()

set(folders app bench capture ftp platform resources schedule tests tools web)
set(offenders "")
foreach(folder ${folders})
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${folder})
    continue()
  endif()
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.hpp ${SOURCE_DIR}/${folder}/*.cpp
    ${SOURCE_DIR}/${folder}/*.cc ${SOURCE_DIR}/${folder}/*.def
    ${SOURCE_DIR}/${folder}/CMakeLists.txt)
  foreach(file ${files})
    if(file MATCHES "(^|/)ui/")
      continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${file} lines)
    foreach(line IN LISTS lines)
      if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Z]|Qt[A-Za-z]*/|q[a-z]+\\.h[>\"])"
         OR line MATCHES "Qt[56]::|find_package\\([ \t]*Qt")
        string(STRIP "${line}" shown)
        list(APPEND offenders "${file}: ${shown}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(offenders)
  list(JOIN offenders "\n  " text)
  message(FATAL_ERROR "Qt used outside a ui/ folder:\n  ${text}")
endif()
message(STATUS "Qt stays in the ui/ folders")
