# `make package` (cpack) builds a Debian package of what `cmake --install` puts in place,
# under /usr. Its runtime dependencies are read off the binary by dpkg-shlibdeps, so they
# name the Qt libraries, and their versions, that it was really linked against.

# ZARVOTH_MAINTAINER, the Maintainer field, is set beside the copyright file and the changelog
# that name it too (resources/CMakeLists.txt).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zarvoth)
set(CPACK_PACKAGE_VENDOR "Zarvoth developers")
set(CPACK_PACKAGE_CONTACT "${ZARVOTH_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Debian's synopsis starts without an article.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "contact book for one person that dials the contacts' numbers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # zarvoth_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZARVOTH_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary above is the first line; cpack indents these lines and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Zarvoth keeps, for each contact, a nickname, full name, family name, city
and phone number with its dialling prefix and STD code. It lists the
nicknames, all or by initial letter, finds contacts as the nickname is
typed or by any name or the city, and dials the shown number. GNOME
Shell's and KRunner's search, and the command line, find contacts and
call them without the window.

Started from the application menu it keeps its contacts in
~/.local/share/zarvoth.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window is laid out for Liberation Sans; in a wider face its captions would be drawn
# smaller to keep their places. dpkg-shlibdeps adds the libraries to this.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
# Dial asks xdg-mime for the program that takes tel: links and hands the number over through
# xdg-open; the program that places the call is the user's choice.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-calls | linphone-desktop | kdeconnect")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
