# The files that ship beside the program (the pixel font, the tray logo) are looked up in the
# folder "Tavrik_Tavrik.bundle" next to the executable, else in <prefix>/share/tavrik: first
# as reached from the executable's folder, so an installation moved elsewhere or installed
# with another prefix still finds them, then at the prefix chosen when configuring.

include(GNUInstallDirs)
set(TAVRIK_DATA_DIR "${CMAKE_INSTALL_FULL_DATADIR}/tavrik")
file(RELATIVE_PATH TAVRIK_DATA_DIR_FROM_BIN "${CMAKE_INSTALL_FULL_BINDIR}" "${TAVRIK_DATA_DIR}")

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

# The font's licence travels with the documents (TavrikPackage.cmake), not the resources.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/resources/" DESTINATION "${CMAKE_INSTALL_DATADIR}/tavrik"
    OPTIONAL PATTERN "*-OFL.txt" EXCLUDE)
