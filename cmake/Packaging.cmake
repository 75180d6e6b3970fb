# The Debian package: cpack -G DEB in the build folder writes velmora_<version>_<arch>.deb with
# what `cmake --install` puts under /usr. Library dependencies come from dpkg-shlibdeps; EGL and
# GL are loaded at run time (libepoxy, SDL), so they are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D screen saver: a flock of birds among pillars")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A flock of toon-shaded, skinned birds follows its lead bird (or a whale that you fly) "
    "through a sky of pillars and floating gears. The velmora program shows its settings "
    "dialog and runs full screen; velmora-hack runs inside XScreenSaver and the MATE and Xfce "
    "screen savers, with the same settings as options.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl1, libgl1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xscreensaver | mate-screensaver | xfce4-screensaver, libgl1-mesa-dri, fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_ENHANCES "xscreensaver, mate-screensaver, xfce4-screensaver")
include(CPack)
