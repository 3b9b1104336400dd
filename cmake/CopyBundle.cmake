# cmake -D SOURCE=<resources> -D DESTINATION=<bundle> -P CopyBundle.cmake
# Copies the resource folder into the bundle; files that did not change are left alone. A
# missing resource folder (set-up not run yet) leaves an empty bundle: the program then falls
# back to the system fonts.
file(MAKE_DIRECTORY "${DESTINATION}")
if(EXISTS "${SOURCE}")
    file(COPY "${SOURCE}/" DESTINATION "${DESTINATION}")
endif()
