# Installing the configurator, and its Debian package.
#
# `cmake --install` puts the program, its command line orvctl and the program's two start-up
# files (icon and loading animation) under any prefix, DESTDIR included; on Linux also the
# desktop entry, the hicolor icons, the AppStream metadata, the udev rule that gives the user
# at the computer access to the device, the manual pages, orvctl's bash completion and the
# package's copyright and changelog. `cpack -G DEB` in the build folder
# makes a .deb of the same files; configure with -DCMAKE_INSTALL_PREFIX=/usr for it.
include(GNUInstallDirs)

set(ORV_PACKAGE_NAME "orv-configurator")
# Reverse-DNS id of the desktop entry, icon and AppStream component (the maker's domain is orv.example).
set(ORV_APP_ID "example.orv.configurator")
# The release of PROJECT_VERSION, for the AppStream metadata and the package changelog.
set(ORV_RELEASE_DATE "2026-12-08")
set(ORV_RELEASE_CHANGELOG_DATE "Tue, 08 Dec 2026 00:00:00 +0000")

set(ORV_DATA_DIR "${CMAKE_INSTALL_DATADIR}/orv")
# The program finds its data folder from its own folder, so an installed copy needs no absolute
# path: a package unpacked anywhere, or a DESTDIR install, still finds its files.
file(RELATIVE_PATH orv_data_from_program "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DATADIR}/orv")
set_property(SOURCE app/data_files.cpp APPEND PROPERTY
  COMPILE_DEFINITIONS ORV_DATA_DIR_FROM_PROGRAM="${orv_data_from_program}")

install(TARGETS orv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The command line, where the session layer it runs on is built.
if(TARGET orvctl)
  install(TARGETS orvctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES resources/orv.ico resources/load.gif resources/load@2x.gif DESTINATION ${ORV_DATA_DIR})

if(UNIX AND NOT APPLE)
  set(orv_linux_dir ${PROJECT_SOURCE_DIR}/resources/linux)
  set(orv_generated_dir ${PROJECT_BINARY_DIR}/linux)
  file(MAKE_DIRECTORY ${orv_generated_dir})

  # udev reads rules from <prefix>/lib/udev/rules.d for /usr and /usr/local alike.
  set(ORV_UDEV_RULES_DIR "lib/udev/rules.d")
  # The open-failure hint names the rule and the package that brings it.
  set_property(SOURCE device/open_hint.cpp APPEND PROPERTY COMPILE_DEFINITIONS
    ORV_UDEV_RULE_PATH="${CMAKE_INSTALL_PREFIX}/${ORV_UDEV_RULES_DIR}/70-orv.rules"
    ORV_PACKAGE_NAME="${ORV_PACKAGE_NAME}")

  configure_file(${orv_linux_dir}/${ORV_APP_ID}.metainfo.xml.in ${orv_generated_dir}/${ORV_APP_ID}.metainfo.xml @ONLY)
  configure_file(${orv_linux_dir}/changelog.in ${orv_generated_dir}/changelog @ONLY)
  configure_file(${orv_linux_dir}/orv.1 ${orv_generated_dir}/orv.1 COPYONLY)
  configure_file(${orv_linux_dir}/orvctl.1 ${orv_generated_dir}/orvctl.1 COPYONLY)
  # Debian wants these compressed with gzip -9n (no name, no time stamp: reproducible).
  foreach(file changelog orv.1 orvctl.1)
    execute_process(COMMAND gzip -9nc ${orv_generated_dir}/${file}
      OUTPUT_FILE ${orv_generated_dir}/${file}.gz RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "gzip could not compress ${orv_generated_dir}/${file}")
    endif()
  endforeach()

  install(FILES ${orv_linux_dir}/${ORV_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  install(FILES ${orv_generated_dir}/${ORV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${orv_linux_dir}/70-orv.rules DESTINATION ${ORV_UDEV_RULES_DIR})
  install(FILES ${orv_generated_dir}/orv.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  if(TARGET orvctl)
    install(FILES ${orv_generated_dir}/orvctl.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${orv_linux_dir}/orvctl.bash-completion
      DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME orvctl)
  endif()
  install(FILES ${orv_linux_dir}/copyright ${orv_generated_dir}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${ORV_PACKAGE_NAME})

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME ${ORV_PACKAGE_NAME})
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_VENDOR "ORV")
  set(CPACK_PACKAGE_CONTACT "ORV <support@orv.example>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configurator for the ORV vehicle drive-mode module")
  set(CPACK_PACKAGE_DESCRIPTION
    "Shows and changes the settings of an ORV drive-mode module connected over USB\n(drive mode, indication, standby, bus protocol) and installs a vehicle\nconfiguration chosen from the maker's online catalogue.\n\nThe window (orv) and the command-line program orvctl, for scripts and\nworkshops, do the same; orvctl needs no display and can print JSON.\n\nA udev rule gives the user at the computer access to the module.")
  set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orv.example")
  # Libraries from dpkg-shlibdeps; the system roots that HTTPS to the maker's server needs.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "ca-certificates")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${orv_linux_dir}/postinst ${orv_linux_dir}/postrm)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  include(CPack)
endif()
