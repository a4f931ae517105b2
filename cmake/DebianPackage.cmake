# Installing the data files and making the Debian package: `cpack -G DEB` in a Release build
# writes keyquill_<version>_amd64.deb. The programs and the hook library install from their
# own folders; an installed KYQ finds its help and read-me under ../share/keyquill.

# The version lives in four places a user sees: the program's own constants, the package,
# its changelog and the AppStream release. They must agree before anything is built.
file(STRINGS ${PROJECT_SOURCE_DIR}/src/core/settings/AppSettings.h kyq_version_lines
     REGEX "Program(Major|Minor|Build) = [0-9]+;")
set(kyq_program_version)
foreach(line ${kyq_version_lines})
  string(REGEX REPLACE ".*= ([0-9]+);.*" "\\1" number "${line}")
  list(APPEND kyq_program_version ${number})
endforeach()
list(JOIN kyq_program_version "." kyq_program_version)
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/packaging/changelog kyq_changelog_head LIMIT_COUNT 1)
file(READ ${PROJECT_SOURCE_DIR}/resources/com.example.tarnwick.Keyquill.metainfo.xml kyq_metainfo)
string(REGEX MATCH "<release version=\"[^\"]*\"" kyq_metainfo_release "${kyq_metainfo}")
if(NOT kyq_program_version STREQUAL PROJECT_VERSION
   OR NOT kyq_changelog_head MATCHES "^keyquill \\(${PROJECT_VERSION}\\) "
   OR NOT kyq_metainfo_release STREQUAL "<release version=\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "Version ${PROJECT_VERSION} of the project differs from the program's "
          "constants (${kyq_program_version}), the changelog's first line (${kyq_changelog_head}) "
          "or the metainfo's newest release (${kyq_metainfo_release})")
endif()

# Man pages and the changelog go in compressed, without a time stamp, as Debian wants them.
find_program(KYQ_GZIP gzip REQUIRED)
set(kyq_compressed)
foreach(source man/KYQ.1 man/kyq-cli.1 resources/packaging/changelog)
  get_filename_component(name ${source} NAME)
  set(output ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
    COMMAND ${KYQ_GZIP} -9nc ${PROJECT_SOURCE_DIR}/${source} > ${output}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source}
    VERBATIM)
  list(APPEND kyq_compressed ${output})
endforeach()
add_custom_target(kyq_compressed_docs ALL DEPENDS ${kyq_compressed})

install(FILES ${PROJECT_BINARY_DIR}/packaging/kyq-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES resources/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/keyquill)
if(KYQ_BUILD_GUI)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/KYQ.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES resources/help/intro.htm resources/help/fill.htm
          DESTINATION ${CMAKE_INSTALL_DATADIR}/keyquill/help)
  install(FILES resources/readme.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/keyquill)
  install(FILES resources/com.example.tarnwick.Keyquill.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES resources/com.example.tarnwick.Keyquill.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES resources/keyquill-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME keyquill.xml)
  install(FILES resources/icons/keyquill.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES resources/icons/png/keyquill-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME keyquill.png)
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keyquill)
set(CPACK_PACKAGE_VENDOR "Tarnwick工作室")
set(CPACK_PACKAGE_CONTACT "Tarnwick工作室 <keyquill@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "password manager with a Chinese interface and auto-fill")
set(CPACK_PACKAGE_DESCRIPTION
    "Keyquill keeps passwords in documents that belong to one owner and are locked
with one document password (a sealed format with Argon2id and
XChaCha20-Poly1305). Its interface is in Simplified Chinese.

A global hot key (Ctrl+Alt+P) opens a fill dialog that types the chosen user
name and password into the window that had the focus, on X11 and on Wayland
(wlroots compositors, or the remote-desktop portal on GNOME and KDE).

kyq-cli inspects, exports, imports and converts the documents without a window,
and imports the exports of browsers and other password managers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.example.com/keyquill/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link come from dpkg-shlibdeps; what Qt loads at run time
# (the SVG image plugin for every icon, the Wayland platform plugin) no tool sees.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-desktop-portal, fonts-wqy-zenhei | fonts-noto-cjk, qt6-translations-l10n")
include(CPack)
