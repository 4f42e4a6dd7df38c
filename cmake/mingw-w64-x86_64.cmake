# Cross-compiles for 64-bit Windows with MinGW-w64 (Debian packages
# g++-mingw-w64-x86-64-posix, wine and wine64) and runs what was built under
# Wine: CTest, test discovery and the end-to-end tests go through
# CMAKE_CROSSCOMPILING_EMULATOR.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(qolt2wpt_mingw_triplet x86_64-w64-mingw32)
# The POSIX-threads variant: its libstdc++ has all of <thread> and <mutex>
# (GCC 12's win32-threads variant lacks them), and winpthread links in
# statically.
set(CMAKE_C_COMPILER ${qolt2wpt_mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${qolt2wpt_mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${qolt2wpt_mingw_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${qolt2wpt_mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked statically (libgcc, libstdc++, winpthread), so the .exe
# needs only DLLs that every Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Wine: the 64-bit loader itself rather than the /usr/bin/wine wrapper, which
# prefers a 32-bit Wine and complains on stderr when there is none.
find_program(QOLT2WPT_WINE NAMES wine64 wine PATHS /usr/lib/wine /usr/lib64/wine NO_DEFAULT_PATH)
if(NOT QOLT2WPT_WINE)
  find_program(QOLT2WPT_WINE NAMES wine64 wine)
endif()
# The Wine server itself: Debian's wineserver script starts it with -p0, so it
# quits as soon as a program ends and every test would wait for a new one; the
# server started directly stays three seconds, enough for the next test.
get_filename_component(qolt2wpt_wine_dir "${QOLT2WPT_WINE}" DIRECTORY)
find_program(QOLT2WPT_WINESERVER NAMES wineserver64 wineserver HINTS ${qolt2wpt_wine_dir})
if(QOLT2WPT_WINE AND QOLT2WPT_WINESERVER)
  # A private prefix in the build directory, so the tests neither use nor
  # change the user's ~/.wine; no debug messages on stderr; no offer to
  # install Mono or Gecko.
  set(QOLT2WPT_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  find_program(QOLT2WPT_ENV env REQUIRED)
  set(QOLT2WPT_WINE_ENVIRONMENT
      WINEPREFIX=${QOLT2WPT_WINE_PREFIX} WINESERVER=${QOLT2WPT_WINESERVER} WINEDEBUG=-all
      WINEDLLOVERRIDES=mscoree,mshtml=)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QOLT2WPT_ENV} ${QOLT2WPT_WINE_ENVIRONMENT} ${QOLT2WPT_WINE})
endif()
