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
# static libraries only. -Werror only on request: Buildroot's compiler may be
# newer than ours and warn about code it has never seen.
IPSLIDE_CONF_OPTS = \
	-DIPSLIDE_TESTS=OFF \
	-DIPSLIDE_SIM=OFF \
	-DIPSLIDE_SANITIZE=OFF \
	-DIPSLIDE_TARGET_FLAGS= \
	-DIPSLIDE_STATIC=$(if $(BR2_STATIC_LIBS),ON,OFF) \
	-DIPSLIDE_WERROR=$(if $(BR2_PACKAGE_IPSLIDE_WERROR),ON,OFF)

# cmake-package's target install (make install with DESTDIR=$(TARGET_DIR)) runs
# the project's install rules: exactly /usr/bin/ipslide, /usr/bin/ipslide-doctor
# and the DHCP client script /etc/udhcpc.conf. Our CMakeLists.txt needs CMake 3.25, hence the
# Config.in's select of BR2_HOST_CMAKE_AT_LEAST_3_25: Buildroot otherwise takes
# the build machine's cmake from 3.18 on.

ifeq ($(BR2_INIT_BUSYBOX),y)
IPSLIDE_INITTAB = $(BR2_EXTERNAL_IPSLIDE_PATH)/../inittab

# BusyBox init opens eth0 at start-up, after the image's own sysinit lines (the
# DM9000's PHY has power only while eth0 is open), and starts ipslide at boot and
# again whenever it exits: the lines of deploy/inittab go, in their order, at the
# end of the image's inittab unless it has them already.
define IPSLIDE_INSTALL_INITTAB
	grep -v -e '^#' -e '^$$' $(IPSLIDE_INITTAB) | \
		while read -r line; do \
			grep -qxF "$$line" $(TARGET_DIR)/etc/inittab || \
				echo "$$line" >> $(TARGET_DIR)/etc/inittab; \
		done
endef

# Buildroot copies the root file system overlays after the finalize hooks, so an
# overlay's etc/inittab replaces the one the lines above went into. Without them
# the board boots to a black screen and says nothing; the build stops instead and
# names the missing line.
define IPSLIDE_CHECK_OVERLAY_INITTAB
	for inittab in $(addsuffix /etc/inittab,$(call qstrip,$(BR2_ROOTFS_OVERLAY))); do \
		[ -f "$$inittab" ] || continue; \
		grep -v -e '^#' -e '^$$' $(IPSLIDE_INITTAB) | \
			while read -r line; do \
				grep -qxF "$$line" "$$inittab" && continue; \
				echo "ipslide: $$inittab lacks the line \"$$line\":" \
					"put both lines of $(IPSLIDE_INITTAB) in it" >&2; \
				exit 1; \
			done || exit 1; \
	done
endef
IPSLIDE_TARGET_FINALIZE_HOOKS += IPSLIDE_INSTALL_INITTAB IPSLIDE_CHECK_OVERLAY_INITTAB
endif

$(eval $(cmake-package))
