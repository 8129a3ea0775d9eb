# Writes a module-definition file listing the exports found in the given
# object files: every defined PTE_ function and BankAdrs, with the @N
# argument size a 32-bit stdcall name carries (the leading underscore of the
# 32-bit C names dropped). Run with -DNM= -DOUTPUT= -DLIBRARY= and
# -DOBJECTS= the object files joined by "|".
string(REPLACE "|" ";" objects "${OBJECTS}")
set(names)
foreach(object IN LISTS objects)
  execute_process(COMMAND ${NM} --defined-only -g ${object}
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${NM} failed on ${object}")
  endif()
  string(REGEX MATCHALL "[ \n]T _?(PTE_[A-Za-z0-9_]+(@[0-9]+)?|BankAdrs(@[0-9]+)?)" found "${symbols}")
  foreach(entry IN LISTS found)
    string(REGEX REPLACE "^[ \n]T _?" "" name "${entry}")
    list(APPEND names ${name})
  endforeach()
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
list(LENGTH names count)
if(count EQUAL 0)
  message(FATAL_ERROR "no exports found")
endif()
list(JOIN names "\n  " lines)
file(WRITE ${OUTPUT}.new "LIBRARY ${LIBRARY}\nEXPORTS\n  ${lines}\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
