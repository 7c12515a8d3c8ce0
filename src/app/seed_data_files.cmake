# Puts empty data files into the program's directory where none exist yet, as an
# installer would, so a fresh build starts without "Cannot open file" boxes. Existing
# files are never touched.
foreach(name kor.tab data.tab data2.tab)
  if(NOT EXISTS "${DIR}/${name}")
    file(WRITE "${DIR}/${name}" "")
  endif()
endforeach()
