# Installation and the Debian package.
#
# `cmake --install` puts the program into bin/ of the prefix, its manual
# page into share/man/man1/, the desktop entry into share/applications/,
# the icons into share/icons/hicolor/<size>/apps/, and the copyright file
# and changelog into share/doc/orbiquel/.
include(GNUInstallDirs)
install(TARGETS orbiquel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Stripping (`cmake --install --strip`, and the package) also drops the
# compilers' version notes, as Debian's own packaging tools do.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/orbiquel\"
            COMMAND_ERROR_IS_FATAL ANY)
    endif()")

# The latest changelog entry names the version the package gets.
file(STRINGS ${PROJECT_SOURCE_DIR}/data/changelog orbiquel_changelog_head LIMIT_COUNT 1)
if(NOT orbiquel_changelog_head MATCHES "^orbiquel \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "data/changelog: the latest entry is not for version "
        "${PROJECT_VERSION}: \"${orbiquel_changelog_head}\"")
endif()

# The manual page and the changelog are installed compressed, as Debian
# wants them (man and zless read them so everywhere). gzip -n leaves out
# the file's name and time, so the same text gives the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(orbiquel_gzip_dir ${PROJECT_BINARY_DIR}/gzipped)
set(orbiquel_gzipped)
foreach(source docs/orbiquel.1 data/changelog)
    get_filename_component(name ${source} NAME)
    add_custom_command(OUTPUT ${orbiquel_gzip_dir}/${name}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${orbiquel_gzip_dir}
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${source} ${orbiquel_gzip_dir}/${name}
        COMMAND ${GZIP_PROGRAM} -9nf ${orbiquel_gzip_dir}/${name}
        DEPENDS ${PROJECT_SOURCE_DIR}/${source}
        COMMENT "Compressing ${source}"
        VERBATIM)
    list(APPEND orbiquel_gzipped ${orbiquel_gzip_dir}/${name}.gz)
endforeach()
add_custom_target(orbiquel_gzipped ALL DEPENDS ${orbiquel_gzipped})

install(FILES ${orbiquel_gzip_dir}/orbiquel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/orbiquel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY data/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES data/copyright ${orbiquel_gzip_dir}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orbiquel)

# A Debian package of the installed program: `cmake --workflow --preset
# package` writes build/package/orbiquel_<version>_<arch>.deb. The shared
# libraries it links (GL, GLU, GLUT) become dependencies through
# dpkg-shlibdeps; Mesa's drivers are loaded by the GL library at run time,
# which no scan of the program finds, so they are named.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orbiquel)
# A collective name at a reserved domain, which reaches nobody: the
# project has no mailing address.
set(CPACK_PACKAGE_CONTACT "The Orbiquel developers <developers@orbiquel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "ball in the corner of a room: an interactive 3-D collision prototype")
# CPack puts a blank before each line and turns empty lines into " .".
set(CPACK_PACKAGE_DESCRIPTION [[
A ball moves in the corner of a room made of three red triangles, a floor
and two walls, while a camera circles the scene inside a black wire
lattice. In every step the ball's straight path is tested as a swept
sphere against each triangle's edge, corners and face; at the first
contact the ball comes to rest there, without bouncing.

A key pressed in the window opens a menu in the terminal, which places the
ball and sets it moving. Every step writes the collision tests' diagnostic
lines to standard output.
]])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri")
set(CPACK_STRIP_FILES ON)
# The package's timestamps come from SOURCE_DATE_EPOCH, which this file
# sets in cpack's process from the last commit or the changelog when the
# caller has not: the same commit gives the same bytes.
configure_file(cmake/CPackProjectConfig.cmake.in CPackProjectConfig.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake)
include(CPack)
