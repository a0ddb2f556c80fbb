# Makes every test's home folder afresh: ROOT is emptied, and a folder is made
# in it for each of the names in NAMES (separated by "|"), with the
# configuration, cache, data, runtime and temporary folders the tests are given in it
# (the runtime folder private to the user, as the toolkit wants it).
file(REMOVE_RECURSE "${ROOT}")
string(REPLACE "|" ";" names "${NAMES}")
foreach(name IN LISTS names)
  set(home "${ROOT}/${name}")
  file(MAKE_DIRECTORY "${home}/.config" "${home}/.cache" "${home}/.local/share" "${home}/.local/state"
    "${home}/.runtime" "${home}/.tmp")
  file(CHMOD "${home}/.runtime" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endforeach()
