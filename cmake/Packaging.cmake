# The Debian package, built by `cpack` (or `make package`) from the install rules.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvello)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Tarvello developers <maintainers@users.noreply.c-seed-48f11ad8.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for web banners")
# CPack puts the summary above this as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tarvello makes web banners, 468 by 60 pixels unless another size is
chosen, from a background colour, an optional background picture and lines
of text that are typed in a box and dragged into place. The banner is saved
as a Windows bitmap or exported as a GIF. A built-in viewer previews picture
files and can paint one over the banner.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Libraries come from dpkg-shlibdeps; the fonts are what the stand-ins for the
# design's fonts are drawn with (platform/DesignFont.cpp).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-dejavu-core")
# The toolkit's Wayland plugin draws natively on Wayland desktops.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-urw-base35, qt6-wayland")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
