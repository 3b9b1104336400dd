# The files that ship beside the program (the pixel font, the tray logo) are looked up in the
# folder "Tavrik_Tavrik.bundle" next to the executable, else in <prefix>/share/tavrik.

include(GNUInstallDirs)
set(TAVRIK_DATA_DIR "${CMAKE_INSTALL_FULL_DATADIR}/tavrik")

# tavrik_bundle(<target>): keeps a copy of resources/ beside the target's executable. The copy
# is refreshed at every build, because the font arrives from the set-up script and is not a
# source the build can track.
function(tavrik_bundle target)
    add_custom_target(${target}_bundle
        COMMAND ${CMAKE_COMMAND}
            -D "SOURCE=${PROJECT_SOURCE_DIR}/resources"
            -D "DESTINATION=$<TARGET_FILE_DIR:${target}>/Tavrik_Tavrik.bundle"
            -P "${PROJECT_SOURCE_DIR}/cmake/CopyBundle.cmake"
        VERBATIM)
    add_dependencies(${target} ${target}_bundle)
endfunction()

install(DIRECTORY "${PROJECT_SOURCE_DIR}/resources/" DESTINATION "${CMAKE_INSTALL_DATADIR}/tavrik"
    OPTIONAL)
