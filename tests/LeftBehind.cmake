# Fails when a test left anything in its temporary folder (ROOT/<test>/.tmp):
# a test removes what it makes there, and nothing it started writes there
# once it has ended.
file(GLOB homes LIST_DIRECTORIES true "${ROOT}/*")
set(left)
foreach(home IN LISTS homes)
  if(IS_DIRECTORY "${home}/.tmp")
    file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${ROOT}" "${home}/.tmp/*")
    list(APPEND left ${entries})
  endif()
endforeach()
if(left)
  list(SORT left)
  list(JOIN left "\n  " shown)
  message(FATAL_ERROR "Left behind in the tests' temporary folders (under ${ROOT}):\n  ${shown}")
endif()
