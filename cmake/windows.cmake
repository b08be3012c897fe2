# What the Windows build adds: the icon and version inside both programs, and the window program
# without a console.
set(FENBAN_ICON ${PROJECT_SOURCE_DIR}/data/icons/fenban.ico)
set(FENBAN_VERSION_COMMA "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
configure_file(${PROJECT_SOURCE_DIR}/data/windows/fenban.rc.in ${PROJECT_BINARY_DIR}/fenban.rc @ONLY)

# GCC's -O3 warns of "maybe uninitialized" members where there are none; Release is -O2 as on Debian.
string(REPLACE "-O3" "-O2" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")
string(REPLACE "-O3" "-O2" CMAKE_C_FLAGS_RELEASE "${CMAKE_C_FLAGS_RELEASE}")

function(fenban_windows_program target)
    target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/fenban.rc)
endfunction()
