# The Debian packages, built by `cpack` in the build folder (.ci/paket does
# it, checks them and starts the program from the unpacked package):
#
#   vxmdorvex         the programs (component "programm"); its dependencies
#                     are the run-time libraries the programs link (Qt 6
#                     base, SQLite, SANE, libtiff, giflib), found by
#                     dpkg-shlibdeps, and Qt's platform plugins
#   libvxmdorvex-dev  the static library, headers and CMake package
#                     (component "entwicklung"); it depends on the
#                     development packages a host needs to link it
#
# LibreOffice is only needed for new office documents and serial letters and
# xdg-open only to open documents: recommended, not required. poppler-utils
# serve the tests only.
set(VXM_PAKET_BETREUER "vxmDorvex maintainers <maintainers@users.noreply.c-seed-4d4fba8c.example>"
    CACHE STRING "Maintainer field of the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vxmdorvex)
set(CPACK_PACKAGE_VENDOR "VXM")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL programm entwicklung)
set(CPACK_DEB_COMPONENT_INSTALL ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VXM_PAKET_BETREUER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_PROGRAMM_PACKAGE_NAME vxmdorvex)
set(CPACK_DEBIAN_PROGRAMM_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PROGRAMM_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PROGRAMM_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PROGRAMM_PACKAGE_RECOMMENDS
    "xdg-utils, libreoffice-writer-nogui | libreoffice-writer, libreoffice-calc-nogui | libreoffice-calc, libreoffice-impress-nogui | libreoffice-impress, tesseract-ocr-deu, catdoc, antiword")
set(CPACK_COMPONENT_PROGRAMM_DESCRIPTION
    "document store of a property management\nvxmDorvex keeps the documents of a property management in folders per\nclient company (Mandant), property (Objekt), unit (Bestandseinheit) and\ntenant (Bestandnehmer), with a keyword register and searches by keyword,\nfile name and text. This package holds the program vxmdorvex, which opens\nthe store without the suite, and the command-line tools vxmdorvex-suche,\nvxmdorvex-register and vxmdorvex-index (full-text index).")

set(CPACK_DEBIAN_ENTWICKLUNG_PACKAGE_NAME libvxmdorvex-dev)
set(CPACK_DEBIAN_ENTWICKLUNG_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_ENTWICKLUNG_PACKAGE_DEPENDS
    "qt6-base-dev, libsqlite3-dev, libxxhash-dev, libpq-dev, libsane-dev, libtiff-dev, libgif-dev, libpoppler-cpp-dev, libzip-dev, libxml2-dev, libtesseract-dev, libzstd-dev, zlib1g-dev, pkg-config | pkgconf")
set(CPACK_COMPONENT_ENTWICKLUNG_DESCRIPTION
    "document store component of a property management (development files)\nThe document store vxmDorvex as a static library for host programs, with\nthe headers a host needs and the CMake package: find_package(vxmDorvex)\nand link vxmDorvex::vxmDorvex.")

# The change log names the package version.
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/paket/changelog vxm_changelog_kopf LIMIT_COUNT 1)
if(NOT vxm_changelog_kopf MATCHES "\\(${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}\\)")
  message(WARNING "paket/changelog does not begin with version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
endif()

include(CPack)
