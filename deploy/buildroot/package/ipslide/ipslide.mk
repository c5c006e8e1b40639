################################################################################
#
# ipslide
#
################################################################################

# The package builds the source tree this external tree lives in (deploy/buildroot
# inside the ipslide checkout); a developer's build folders are left out.
IPSLIDE_VERSION = 1.0
IPSLIDE_SITE = $(BR2_EXTERNAL_IPSLIDE_PATH)/../..
IPSLIDE_SITE_METHOD = local
IPSLIDE_OVERRIDE_SRCDIR_RSYNC_EXCLUSIONS = --exclude /build --exclude /out

# The pictures and the fanfare become C++ arrays through a Python script that
# runs on the build machine and reads the pictures with Pillow: it runs under
# the build machine's /usr/bin/python3 (Debian: python3-pil), as the project's
# own builds do, rather than Buildroot's host-python3, which would need a Pillow
# of its own.
IPSLIDE_DEPENDENCIES = freetype

# Only the board program: no tests, no simulator. The CPU flags are Buildroot's
# own (Target Architecture Variant); the link is static when Buildroot builds
# static libraries only.
IPSLIDE_CONF_OPTS = \
	-DIPSLIDE_TESTS=OFF \
	-DIPSLIDE_SIM=OFF \
	-DIPSLIDE_SANITIZE=OFF \
	-DIPSLIDE_TARGET_FLAGS= \
	-DIPSLIDE_STATIC=$(if $(BR2_STATIC_LIBS),ON,OFF)

# cmake-package's target install (make install with DESTDIR=$(TARGET_DIR)) runs
# the project's install rules: exactly /usr/bin/ipslide and the DHCP client
# script /etc/udhcpc.conf.

ifeq ($(BR2_INIT_BUSYBOX),y)
# BusyBox init opens eth0 at start-up, after the image's own sysinit lines (the
# DM9000's PHY has power only while eth0 is open), and starts ipslide at boot and
# again whenever it exits: the lines of deploy/inittab go, in their order, at the
# end of the image's inittab unless it has them already.
define IPSLIDE_INSTALL_INITTAB
	grep -v -e '^#' -e '^$$' $(BR2_EXTERNAL_IPSLIDE_PATH)/../inittab | \
		while read -r line; do \
			grep -qxF "$$line" $(TARGET_DIR)/etc/inittab || \
				echo "$$line" >> $(TARGET_DIR)/etc/inittab; \
		done
endef
IPSLIDE_TARGET_FINALIZE_HOOKS += IPSLIDE_INSTALL_INITTAB
endif

$(eval $(cmake-package))
