# The shipped program: the same cross build in the win32 thread model, which
# links no winpthread (whose imports, GetTickCount64, AddVectoredExceptionHandler
# and others, older Windows lacks).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
