# The system's HID headers belong to the Linux provider and the emulation testbed alone:
# everything else reaches hidraw and udev through HidPlatform.
# cmake -DROOT=<source dir> -P platform_headers.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed src/device/hid/linux_hid_platform.cpp tests/emulation/emulated_hid_bed.cpp)
file(GLOB_RECURSE sources RELATIVE ${ROOT}
  ${ROOT}/src/*.h ${ROOT}/src/*.cpp ${ROOT}/tests/*.h ${ROOT}/tests/*.cpp
  ${ROOT}/tools/*.h ${ROOT}/tools/*.cpp)
set(offenders)
foreach(source ${sources})
  file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](libudev|linux/hidraw)\\.h[>\"]")
  if(includes AND NOT source IN_LIST allowed)
    list(APPEND offenders ${source})
  endif()
endforeach()
if(offenders)
  list(JOIN offenders "\n  " text)
  message(FATAL_ERROR "<libudev.h> or <linux/hidraw.h> included outside the Linux provider:\n  ${text}")
endif()
