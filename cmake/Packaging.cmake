# Installation layout and the Debian package (cpack -G DEB in a build directory).
# The programs go to bin/, the shipped files to share/caniparc/, where an installed station
# looks for them (station/ProgramFiles); the build tree keeps them beside the programs instead.
include(GNUInstallDirs)

set(caniparc_desktop_dir ${PROJECT_SOURCE_DIR}/resources/desktop)
set(caniparc_app_id de.kronolux.caniparc)

install(TARGETS caniparc-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET caniparc-board)
    install(TARGETS caniparc-board RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(CANIPARC_UI)
    install(TARGETS caniparc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/resources/start.wav ${PROJECT_SOURCE_DIR}/resources/stopp.wav
            DESTINATION ${CMAKE_INSTALL_DATADIR}/caniparc)
    # The manual, where the station's F1 looks for it (share/caniparc/<program name>.html).
    install(FILES ${PROJECT_SOURCE_DIR}/docs/handbuch/caniparc.html DESTINATION ${CMAKE_INSTALL_DATADIR}/caniparc)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/handbuch/caniparc-handbuch DESTINATION ${CMAKE_INSTALL_DATADIR}/caniparc
            FILES_MATCHING PATTERN "*.png")
    # The show's broker configuration for the office machine (README, "Mehrere Ringe").
    install(FILES ${PROJECT_SOURCE_DIR}/resources/show/caniparc-mosquitto.conf
                  ${PROJECT_SOURCE_DIR}/resources/show/caniparc-mosquitto.acl
            DESTINATION ${CMAKE_INSTALL_DATADIR}/caniparc)
    install(FILES ${caniparc_desktop_dir}/${caniparc_app_id}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${caniparc_desktop_dir}/${caniparc_app_id}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${caniparc_desktop_dir}/${caniparc_app_id}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# Debian wants manual pages and the changelog compressed, without a time stamp in the header.
find_program(GZIP_PROGRAM gzip)
if(GZIP_PROGRAM AND NOT WIN32)
    set(caniparc_compressed)
    foreach(source caniparc.1 caniparc-cli.1 caniparc-board.1 changelog)
        set(output ${CMAKE_CURRENT_BINARY_DIR}/packaging/${source}.gz)
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
            COMMAND ${GZIP_PROGRAM} -9n -c ${caniparc_desktop_dir}/${source} > ${output}
            DEPENDS ${caniparc_desktop_dir}/${source}
            VERBATIM)
        list(APPEND caniparc_compressed ${output})
    endforeach()
    add_custom_target(caniparc_packaging_files ALL DEPENDS ${caniparc_compressed})
    set(caniparc_packaging ${CMAKE_CURRENT_BINARY_DIR}/packaging)
    install(FILES ${caniparc_packaging}/caniparc-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    if(CANIPARC_UI)
        install(FILES ${caniparc_packaging}/caniparc.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
    if(TARGET caniparc-board)
        install(FILES ${caniparc_packaging}/caniparc-board.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
    install(FILES ${caniparc_packaging}/changelog.gz ${caniparc_desktop_dir}/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/caniparc)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME caniparc)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kronolux <station@kronolux.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "timing and scoring station for dog-agility rings")
set(CPACK_PACKAGE_DESCRIPTION
    "One operator at the ring times each run with light barriers on a serial\n"
    "port or with the keyboard, types the faults and refusals the judge calls,\n"
    "and the station scores, ranks and keeps the result protocol of the class.\n"
    "caniparc-cli recomputes protocol files without the window; caniparc-board\n"
    "shows every ring of a show to the results office, the speaker and phones.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# What Qt loads at run time is not seen by dpkg-shlibdeps: the platform plugins, the SVG icon
# and image plugins of the tool bar (libqt6svg6), and the fonts the station asks for by name.
# Qt's German texts of its own dialogs (file chooser, buttons) are recommended, as Debian does.
if(CANIPARC_UI)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, fonts-liberation")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
