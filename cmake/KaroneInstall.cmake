# What `cmake --install` puts under the prefix: the four programs, their own
# files (share/karone-server), the desktop entry with its icon and AppStream
# metadata, the manual pages and the systemd user units. The programs find
# their files from where they are installed (platform/Installation.h), so an
# install under any prefix works.
find_program(KARONE_SCDOC scdoc)
find_program(KARONE_RSVG_CONVERT rsvg-convert)
if(NOT KARONE_SCDOC OR NOT KARONE_RSVG_CONVERT)
  message(FATAL_ERROR "scdoc and rsvg-convert are needed for the manual pages and the icons; "
                      "run scripts/setup")
endif()

set(karone_app_id example.c_seed_fda0c781.KaroneServer)
set(karone_generated ${PROJECT_BINARY_DIR}/install-files)

foreach(program karone-server karone-store karone-ftp karone-capture)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES web/index.html web/viewer.js web/viewer.css
  DESTINATION ${CMAKE_INSTALL_DATADIR}/karone-server/web)

# The icon: the drawing, and PNGs of it at the sizes menus and docks ask for.
set(karone_icon_svg ${PROJECT_SOURCE_DIR}/resources/icons/karone-server.svg)
install(FILES ${karone_icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
set(karone_icon_pngs)
foreach(size 16 22 24 32 48 64 128 256 512)
  set(png ${karone_generated}/icons/${size}/karone-server.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${karone_generated}/icons/${size}
    COMMAND ${KARONE_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${karone_icon_svg}
    DEPENDS ${karone_icon_svg} VERBATIM)
  list(APPEND karone_icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The manual pages, written in scdoc.
set(karone_man_pages)
foreach(page karone-server karone-store karone-ftp karone-capture)
  set(source ${PROJECT_SOURCE_DIR}/resources/man/${page}.1.scd)
  set(man ${karone_generated}/man/${page}.1)
  add_custom_command(OUTPUT ${man}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${karone_generated}/man
    COMMAND sh -c "\"$0\" < \"$1\" > \"$2\"" ${KARONE_SCDOC} ${source} ${man}
    DEPENDS ${source} VERBATIM)
  list(APPEND karone_man_pages ${man})
  install(FILES ${man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

add_custom_target(karone_install_files ALL DEPENDS ${karone_icon_pngs} ${karone_man_pages})

install(FILES resources/desktop/${karone_app_id}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(resources/desktop/${karone_app_id}.metainfo.xml.in
  ${karone_generated}/${karone_app_id}.metainfo.xml @ONLY)
install(FILES ${karone_generated}/${karone_app_id}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The systemd user units, with the installed path of the program. systemd
# looks for them in <prefix>/lib/systemd/user whatever the library folder is.
foreach(unit karone-server.service karone-server@.service)
  configure_file(resources/systemd/${unit} ${karone_generated}/systemd/${unit} @ONLY)
  install(FILES ${karone_generated}/systemd/${unit} DESTINATION lib/systemd/user)
endforeach()
