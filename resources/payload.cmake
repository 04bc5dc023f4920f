# Packs a product folder into the payload rows of the setup program and writes the
# resource script that carries them. Run with cmake -P and:
#   -DSZDD=packer -DPRODUCT=folder -DOPTIONS=Install.ini -DOUT=folder -DCOMMON=common.rc
# Each row: index, resource name, stored name, file name in the product folder
# separated by "|" ("-" for a row this release does not carry), and PLAIN for rows carried uncompressed.
set(rows
  "0|EXEFILE2|nxf95pro.ex_|nxf95pro.exe"
  "1|DLLFILE1|nxfpro32.dl_|nxfpro32.dll"
  "2|CNTFILE1|nxfpro32.cn_|NxfPro32.cnt"
  "3|HLPFILE1|nxfpro32.hl_|nxfpro32.hlp"
  "4|DLLFILE2|nxfproex.dl_|nxfproex.dll"
  "5|DLLFILE3|nsnxfch.dl_|nsnxfch.dll"
  "6|DLLFILE6|nxfini.dl_|-"
  "7|CNTFILE2|Nsnxf.cn_|nsnxf.cnt"
  "8|HLPFILE2|Nsnxf.hl_|nsnxf.hlp"
  "9|TXTFILE2|nxfproex.tx_|-"
  "10|EXEFILE3|nxfscrpt.ex_|nxfscrpt.exe"
  "11|CNTFILE3|nxfscrpt.cn_|nxfscrpt.cnt"
  "12|HLPFILE3|nxfscrpt.hl_|nxfscrpt.hlp"
  "13|TXTFILE3|nxfscrpt.tx_|-"
  "14|EXEFILE1|nxffind.ex_|nxffind.exe"
  "15|CNTFILE5|nxffind.cn_|nxffind.cnt"
  "16|HLPFILE5|nxffind.hl_|nxffind.hlp"
  "17|TXTFILE4|nxffind.tx_|-"
  "18|EXEFILE4|nxfsync.ex_|nxfsync.exe"
  "19|DLLFILE4|nxfsyncl.dl_|nxfsyncl.dll"
  "20|CNTFILE4|nxfsync.cn_|nxfsync.cnt"
  "21|HLPFILE4|nxfsync.hl_|nxfsync.hlp"
  "22|TXTFILE5|nxfsync.tx_|-"
  "23|EXEFILE5|nxflink.ex_|nxflink.exe"
  "24|DLLFILE5|nxfstub.dl_|nxfstub.dll"
  "25|REMOVEFILE|nxfrem32.ex_|nxfrem32.exe"
  "26|TXTFILE|relnotes.tx_|RelNotes.txt"
  "27|HLPFILE6|nxflink.hl_|-"
  "28|TXTFILE6|nxfpro32.pd_|-"
  "30|LICENSE|terms.wr_|-"
  "32|WAVE2|linkup.wa_|linkup.wav"
  "33|WAVE3|fault.wa_|fault.wav"
  "34|WAVE1|finish.wa_|finish.wav"
  "35|INIFILE1|nexfer.in_|NEXFER.ini|PLAIN"
  "36|INIFILE2|sites1.in_|sites1.ini"
  "37|INIFILE3|sites2.in_|sites2.ini"
  "38|INIFILE4|sites3.in_|sites3.ini"
  "39|INIFILE5|sites4.in_|sites4.ini"
  "40|INIFILE6|sites5.in_|sites5.ini"
  "41|INIFILE7|sites6.in_|sites6.ini"
  "42|INIFILE8|sites7.in_|sites7.ini"
  "43|INIFILE9|sites8.in_|sites8.ini"
  "44|INSTINI|Install.ini|Install.ini|PLAIN"
)

foreach(v SZDD PRODUCT OPTIONS OUT COMMON)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "payload.cmake: -D${v}= is required")
  endif()
endforeach()

file(MAKE_DIRECTORY "${OUT}")
set(rc "// Generated: the payload rows of this setup program.\n#include \"${COMMON}\"\n\nLANGUAGE 9, 1\n\n")
set(missing "")
foreach(entry IN LISTS rows)
  string(REPLACE "|" ";" row "${entry}")
  list(GET row 0 index)
  list(GET row 1 resname)
  list(GET row 2 stored)
  list(GET row 3 source)
  list(LENGTH row n)
  if(source STREQUAL "-")
    continue()
  endif()
  if(index EQUAL 44)
    set(input "${OPTIONS}")
  else()
    set(input "${PRODUCT}/${source}")
  endif()
  if(NOT EXISTS "${input}")
    list(APPEND missing "row ${index} (${resname}): ${input}")
    continue()
  endif()
  set(packed "${OUT}/${stored}")
  if(n GREATER 4)
    configure_file("${input}" "${packed}" COPYONLY)
  else()
    string(LENGTH "${source}" len)
    math(EXPR last "${len} - 1")
    string(SUBSTRING "${source}" ${last} 1 lastchar)
    execute_process(COMMAND "${SZDD}" -c "${lastchar}" "${input}" "${packed}" RESULT_VARIABLE rv)
    if(NOT rv EQUAL 0)
      message(FATAL_ERROR "payload: packing ${input} failed")
    endif()
  endif()
  string(APPEND rc "${resname} EXE \"${packed}\"\n")
endforeach()

if(missing)
  list(JOIN missing "\n  " text)
  message(FATAL_ERROR "payload: the product folder lacks files of carried rows:\n  ${text}")
endif()
file(WRITE "${OUT}/payload.rc.new" "${rc}")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUT}/payload.rc.new" "${OUT}/payload.rc")
file(TOUCH "${OUT}/payload.stamp")
