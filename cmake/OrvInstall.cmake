# Where an installed OrvMediaManager puts its parts (GNUInstallDirs: with the prefix /usr on
# Debian the library folder is the multiarch one, lib/x86_64-linux-gnu), and the two helpers
# every host program and host library uses to join the installation:
#
#   orv_install_host_program(orvmedia)            bin/orvmedia, in the package "orvmedia"
#   orv_install_plugin(OrvMediaManagerPlugin)     lib/<arch>/vireo/plugins/, unversioned
#   orv_install_host_module(OrvMediaThumbnail)    lib/<arch>/vireo/orvmedia/: a module the host
#                                                 programs load on first use (heavy libraries
#                                                 that most commands never need)
#   orv_install_host_library(OrvLibrary           lib/<arch>/libOrvLibrary.so.1 (a shared
#       HEADERS a.h b.h)                          library gets VERSION and SOVERSION), the
#                                                 headers in include/vireo/, and the imported
#                                                 target OrvMediaManager::OrvLibrary of
#                                                 find_package(OrvMediaManager)
#
# Run-time files go to the component "runtime" (the package orvmedia), what a developer needs
# to build a host (headers, the .so link, static libraries, the CMake and pkg-config files, the
# API reference) to "dev" (orvmedia-dev). A host library's include folders are its build-tree
# folders while building and include/vireo once installed; whatever it links PUBLIC must be
# installed with orv_install_host_library too (or come from another package, as Qt does).
include(GNUInstallDirs)

# The folder the plugin is installed in, and the installed headers' folder.
set(ORV_INSTALL_PLUGINDIR "${CMAKE_INSTALL_LIBDIR}/vireo/plugins")
set(ORV_INSTALL_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}/vireo")
set(ORV_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/${PROJECT_NAME}")
# The export set behind find_package(OrvMediaManager).
set(ORV_EXPORT_SET "${PROJECT_NAME}Targets")

# Hosts find the plugin relative to their own file, so that an installed tree may move: this is
# the path from the installed bin folder to the plugin folder (../lib/x86_64-linux-gnu/vireo/
# plugins on Debian).
file(RELATIVE_PATH ORV_PLUGINDIR_FROM_BINDIR "${CMAKE_INSTALL_FULL_BINDIR}"
    "${CMAKE_INSTALL_PREFIX}/${ORV_INSTALL_PLUGINDIR}")

# The host programs' own modules, and the path from the bin folder to them.
set(ORV_INSTALL_MODULEDIR "${CMAKE_INSTALL_LIBDIR}/vireo/orvmedia")
file(RELATIVE_PATH ORV_MODULEDIR_FROM_BINDIR "${CMAKE_INSTALL_FULL_BINDIR}"
    "${CMAKE_INSTALL_PREFIX}/${ORV_INSTALL_MODULEDIR}")

# Installed programs and plugins find the host library in the system's library folders; below
# another prefix (/usr/local, /opt/..., ~/.local) they are told its folder relative to
# themselves.
file(RELATIVE_PATH _orv_libdir_from_bindir "${CMAKE_INSTALL_FULL_BINDIR}"
    "${CMAKE_INSTALL_FULL_LIBDIR}")
file(RELATIVE_PATH _orv_libdir_from_plugindir "${CMAKE_INSTALL_PREFIX}/${ORV_INSTALL_PLUGINDIR}"
    "${CMAKE_INSTALL_FULL_LIBDIR}")
if("${CMAKE_INSTALL_FULL_LIBDIR}" IN_LIST CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES)
    set(ORV_INSTALL_RPATH "")
    set(ORV_PLUGIN_INSTALL_RPATH "")
else()
    set(ORV_INSTALL_RPATH "$ORIGIN/${_orv_libdir_from_bindir}")
    set(ORV_PLUGIN_INSTALL_RPATH "$ORIGIN/${_orv_libdir_from_plugindir}")
endif()

# orv_install_host_program(TARGET): installs a host program into bin/.
function(orv_install_host_program target)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${ORV_INSTALL_RPATH}")
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
endfunction()

# orv_install_plugin(TARGET): installs a plugin into the plugin folder hosts look in.
function(orv_install_plugin target)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${ORV_PLUGIN_INSTALL_RPATH}")
    install(TARGETS ${target} LIBRARY DESTINATION ${ORV_INSTALL_PLUGINDIR} COMPONENT runtime)
endfunction()

# orv_install_host_module(TARGET): installs a module of the host programs into their modules'
# folder, where they look for it when it is not beside them.
function(orv_install_host_module target)
    install(TARGETS ${target} LIBRARY DESTINATION ${ORV_INSTALL_MODULEDIR} COMPONENT runtime)
endfunction()

# orv_install_host_library(TARGET [HEADERS FILE...]): installs a host library, shared (versioned
# with the project, run-time part in "runtime", link in "dev") or static ("dev"), with its
# headers, and exports it as OrvMediaManager::TARGET.
function(orv_install_host_library target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "HEADERS")
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
        set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION}
            SOVERSION ${PROJECT_VERSION_MAJOR})
    endif()
    # The include folders in the source tree hold for the build only.
    get_target_property(folders ${target} INTERFACE_INCLUDE_DIRECTORIES)
    if(folders)
        set(wrapped "")
        foreach(folder IN LISTS folders)
            if(folder MATCHES "^\\$<")
                list(APPEND wrapped "${folder}")
            else()
                list(APPEND wrapped "$<BUILD_INTERFACE:${folder}>")
            endif()
        endforeach()
        set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${wrapped}")
    endif()
    install(TARGETS ${target} EXPORT ${ORV_EXPORT_SET}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
        INCLUDES DESTINATION ${ORV_INSTALL_INCLUDEDIR})
    if(arg_HEADERS)
        install(FILES ${arg_HEADERS} DESTINATION ${ORV_INSTALL_INCLUDEDIR} COMPONENT dev)
    endif()
endfunction()
