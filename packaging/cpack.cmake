# The Debian package: `cpack -G DEB` in a release build directory. Its dependencies come from
# the shared libraries the executable links (dpkg-shlibdeps), so they follow the build machine's
# Qt rather than a list kept by hand.
set(CPACK_PACKAGE_NAME chiffrel)
set(CPACK_PACKAGE_VENDOR "Chiffrel developers")
set(CPACK_PACKAGE_CONTACT "Chiffrel developers <support@chiffrel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop calculator for money sums in francs")
set(CPACK_PACKAGE_INSTALL_DIRECTORY chiffrel)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Chiffrel developers <support@chiffrel.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.chiffrel.invalid/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Named by hand, out of the linker's sight: GIO, which the web launcher opens when a link is
# clicked, the print system's library, opened when a print is asked for, and Qt's French
# catalogue, for the texts Qt draws itself (context menus, box buttons).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libglib2.0-0, libcups2, qt6-translations-l10n")
# The families the program puts in place of the fonts its windows were drawn with.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, fonts-dejavu-core, fonts-comic-neue")
# The package's synopsis is the summary above; this is the text beneath it.
set(CPACK_PACKAGE_DESCRIPTION
    "Chiffrel is a small calculator for everyday money sums in francs, with a
French interface. Every keystroke recomputes the result at once.
.
It works out VAT from net to gross price and back with the tax shown, the
four operations with a memory, conversion between francs, euros and dollars
at configured rates, and overdraft interest over a number of days.")

include(CPack)
