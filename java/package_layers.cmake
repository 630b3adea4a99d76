# The layers of the Java stores: cmake -DSRC=java/src/nl/kovendi/store -P package_layers.cmake
# fails (and names the files) when a back end reaches into the other, or when the shared package
# or a back end reaches into nl.kovendi.store, which sits above them all.
set(kv_rules
    "api|nl[.]kovendi[.]store[.](embedded|pg|[A-Z])"
    "embedded|nl[.]kovendi[.]store[.](pg|[A-Z])"
    "pg|nl[.]kovendi[.]store[.](embedded|[A-Z])")
set(kv_broken "")
foreach(rule IN LISTS kv_rules)
  string(REPLACE "|" ";" parts "${rule}")
  list(GET parts 0 package)
  string(REGEX REPLACE "^[a-z]+[|]" "" pattern "${rule}")
  file(GLOB sources ${SRC}/${package}/*.java)
  if(NOT sources)
    message(FATAL_ERROR "no Java sources in ${SRC}/${package}")
  endif()
  foreach(source IN LISTS sources)
    file(STRINGS ${source} hits REGEX "${pattern}")
    if(hits)
      list(APPEND kv_broken "${source}: ${hits}")
    endif()
  endforeach()
endforeach()
if(kv_broken)
  string(REPLACE ";" "\n" kv_broken "${kv_broken}")
  message(FATAL_ERROR "package layers broken:\n${kv_broken}")
endif()
