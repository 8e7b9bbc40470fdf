# Where an installed Kelvora's files go, following the GNU install directories, and its Debian package.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME kelvora)
set(CPACK_PACKAGE_VENDOR Tavren)
set(CPACK_PACKAGE_CONTACT "Tavren <kelvora@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Keeps up to eight web-forum accounts online")

if(WIN32)
  # Everything in one folder, the program at its top, as Windows programs are laid out; its icon
  # beside it for the shortcuts and the uninstall entry.
  install(TARGETS kelvora RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/kelvora.ico DESTINATION .)
  set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/icons/kelvora.ico)
  if(KELVORA_WITHOUT_BROWSER)
    # The stand-in of a MinGW build, for the installer's test: the Windows Qt's libraries it loads
    # and MinGW's runtime beside it.
    foreach(module Core Gui Network)
      install(FILES "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}/Qt6${module}.dll" DESTINATION .)
    endforeach()
    foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
      execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE found
                      OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(EXISTS "${found}")
        install(FILES "${found}" DESTINATION .)
      endif()
    endforeach()
  else()
    # The Qt libraries, plugins and the engine's helper go next to the program, in `cmake --install`
    # and in the packages CPack makes from the same install step.
    find_program(KELVORA_WINDEPLOYQT windeployqt HINTS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
    if(KELVORA_WINDEPLOYQT)
      install(CODE "execute_process(COMMAND \"${KELVORA_WINDEPLOYQT}\" --release --no-compiler-runtime
                    \"\${CMAKE_INSTALL_PREFIX}/kelvora.exe\" COMMAND_ERROR_IS_FATAL ANY)")
    endif()
    # The Visual C++ runtime ships with the program: a clean PC has none. (windeployqt would hand
    # out Microsoft's redistributable installer instead, which the installer would have to run.)
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION .)
    set(CMAKE_INSTALL_UCRT_LIBRARIES ON)
    include(InstallRequiredSystemLibraries)
  endif()
  # A ZIP to unpack anywhere, and the installer (packaging/windows/NSIS.template.in) where NSIS is.
  set(CPACK_GENERATOR ZIP)
  find_program(KELVORA_MAKENSIS makensis)
  if(KELVORA_MAKENSIS)
    list(APPEND CPACK_GENERATOR NSIS)
    set(CPACK_NSIS_EXECUTABLE "${KELVORA_MAKENSIS}")
  endif()
  list(PREPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/windows)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Kelvora)
  set(CPACK_PACKAGE_FILE_NAME kelvora-${PROJECT_VERSION}-win64)
  include(CPack)
  return()
endif()

install(TARGETS kelvora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${PROJECT_SOURCE_DIR}/packaging/kelvora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The program with no window as a systemd user service (systemd looks in /usr/lib whatever the
# system's library folder is).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kelvora-headless.service DESTINATION lib/systemd/user)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/io.github.kelvora.Kelvora.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/kelvora-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kelvora.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/kelvora.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://kelvora.example.com/")
# The libraries come from what the binary links; the engine's helper process, a font with Chinese
# glyphs, the record's SQLite driver, Qt's Chinese texts and libsecret (which QtKeychain opens to reach the
# Secret Service) are needed at run time and linked by nothing.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6webenginecore6-bin, libqt6sql6-sqlite, libsecret-1-0, fonts-arphic-uming | fonts-noto-cjk, qt6-translations-l10n")
include(CPack)
