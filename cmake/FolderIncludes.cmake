# Each folder's headers are reachable only through the target that owns the
# folder. A target gets an include root of its own, a build-tree directory
# that holds one link named like the folder; `#include "link/UsbLink.h"` then
# resolves only in targets that link vortilan2_link (or a target that links it
# publicly). The project root itself is never an include directory, so an
# include of a folder whose target is not linked fails to compile.
#
#   vortilan2_folder_includes(target folder [folder ...])
#
# A folder may be nested (emulator/flash); its root then holds only that
# subfolder.
function(vortilan2_folder_includes target)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        set(scope INTERFACE)
    elseif(type STREQUAL "EXECUTABLE")
        set(scope PRIVATE)
    else()
        set(scope PUBLIC)
    endif()
    foreach(folder IN LISTS ARGN)
        string(REPLACE "/" "_" name "${folder}")
        set(root ${PROJECT_BINARY_DIR}/include-roots/${name})
        get_filename_component(parent "${root}/${folder}" DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
        target_include_directories(${target} ${scope} ${root})
    endforeach()
endfunction()
