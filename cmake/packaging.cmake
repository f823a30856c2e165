# Debian package of the editor, the command line tool and their shipped files, made by
# `cmake --build BUILD --target package` from the install() rules above.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME grivendale)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_CONTACT "Grivendale maintainers <grivendale@tessaval.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for annotated weather maps")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Grivendale composes weather maps: pictograms, text labels, free lines\n"
    "and curves and flood fills on a background map. Maps are saved as .car\n"
    "files, exported as PNG or published by FTP. The user interface is in\n"
    "French. The package also holds grivendale-cli, which dumps maps as JSON,\n"
    "renders them as PNG and uploads files by FTP.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# /usr/bin beside /usr/share/grivendale: the programs find their shipped files there.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# RelWithDebInfo binaries lose their debug sections in the package, as Debian's do.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# dpkg-shlibdeps finds the linked libraries (libqt6gui6 also holds the xcb, offscreen, GIF and
# JPEG plugins). What Qt loads at run time by name it cannot see: the TGA decoder of
# background maps, the French translations of Qt's dialogs, and a font for the labels.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-image-formats-plugins, qt6-translations-l10n, fonts-dejavu-core")

# `package_source` would otherwise take the build trees and Git's store along.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/\\\\.cache/")

include(CPack)
