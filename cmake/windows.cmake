# What the Windows build adds: the icon and version inside both programs, and the window program
# without a console.
set(FENBAN_WINDOWS_RC ${PROJECT_SOURCE_DIR}/data/windows/fenban.rc)

function(fenban_windows_program target)
    target_sources(${target} PRIVATE ${FENBAN_WINDOWS_RC})
    set_property(SOURCE ${FENBAN_WINDOWS_RC} APPEND PROPERTY COMPILE_DEFINITIONS
        "FENBAN_VERSION_COMMA=${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0"
        "FENBAN_VERSION_TEXT=\"${PROJECT_VERSION}\"")
endfunction()
