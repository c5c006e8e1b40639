"""What ships around the board binary: the inittab lines, the Buildroot external
tree (its shape as Buildroot's manual wants it, its make logic run through a
stand-in for Buildroot's package infrastructure, the mini2440 board's defconfig
against what we read in Buildroot's own Kconfig files), and what `cmake
--install` puts under DESTDIR."""

import os
import re
import stat
import subprocess
import tempfile
import unittest

SOURCE = os.environ.get("IPSLIDE_SOURCE_DIR",
                        os.path.join(os.path.dirname(__file__), "..", ".."))
DEPLOY = os.path.join(SOURCE, "deploy")
EXTERNAL = os.path.join(DEPLOY, "buildroot")
PACKAGE = os.path.join(EXTERNAL, "package", "ipslide")
DEFCONFIG = os.path.join(EXTERNAL, "configs", "ipslide_mini2440_defconfig")

def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def inittab_entries():
    lines = read(os.path.join(DEPLOY, "inittab")).splitlines()
    return [line for line in lines if line and not line.startswith("#")]


class InittabTest(unittest.TestCase):
    def test_opens_eth0_at_start_up_then_respawns_the_program_on_the_console(self):
        # eth0 open powers the DM9000's PHY, which the network worker's link wait
        # needs. The empty id field makes BusyBox init use the console, serial
        # included.
        self.assertEqual(inittab_entries(),
                         ["::sysinit:/sbin/ifconfig eth0 up", "::respawn:/usr/bin/ipslide"])

    def test_gives_the_kiosk_command_line(self):
        text = read(os.path.join(DEPLOY, "inittab"))
        self.assertIn("consoleblank=0", text)
        self.assertIn("vt.global_cursor_default=0", text)


def external_name():
    text = read(os.path.join(EXTERNAL, "external.desc"))
    match = re.search(r"^name: ([A-Za-z0-9_]+)$", text, re.M)
    return match.group(1) if match else None


def kconfig_blocks(text):
    """Splits a Config.in into (keyword line, attribute lines) blocks."""
    blocks = []
    for line in text.splitlines():
        if re.match(r"^(config|menuconfig|comment|if|endif|menu|endmenu|source) ", line) or \
                line in ("endif", "endmenu"):
            blocks.append((line, []))
        elif blocks:
            blocks[-1][1].append(line)
    return blocks


class BuildrootTreeTest(unittest.TestCase):
    def test_external_desc_names_the_tree(self):
        text = read(os.path.join(EXTERNAL, "external.desc"))
        self.assertEqual(external_name(), "IPSLIDE")
        self.assertRegex(text, r"(?m)^desc: \S")

    def test_external_mk_includes_the_packages_by_the_tree_path(self):
        text = read(os.path.join(EXTERNAL, "external.mk"))
        self.assertIn("$(BR2_EXTERNAL_%s_PATH)/package/*/*.mk" % external_name(), text)

    def test_top_config_sources_every_package(self):
        sources = re.findall(r'^source "\$BR2_EXTERNAL_%s_PATH/(.+)"$' % external_name(),
                             read(os.path.join(EXTERNAL, "Config.in")), re.M)
        self.assertIn("package/ipslide/Config.in", sources)
        for path in sources:
            self.assertTrue(os.path.isfile(os.path.join(EXTERNAL, path)), path)

    def test_package_config_indents_with_tabs(self):
        # Buildroot: attributes one tab in, help text one tab and two spaces,
        # at most 62 characters of it on a line.
        in_help = False
        for number, line in enumerate(read(os.path.join(PACKAGE, "Config.in")).splitlines(), 1):
            where = "Config.in:%d: %r" % (number, line)
            if not line:
                continue  # a blank line may separate paragraphs of help
            if re.match(r"^(config|comment) ", line):
                in_help = False
                continue
            self.assertTrue(line.startswith("\t"), where)
            self.assertNotRegex(line, r"^\t* +\t|\s$", where)
            if line == "\thelp":
                in_help = True
            elif in_help:
                self.assertRegex(line, r"^\t  \S", where)
                self.assertLessEqual(len(line) - 3, 62, where)
            else:
                self.assertRegex(line, r"^\t(bool|depends on|select) ", where)

    def test_package_selects_freetype_and_needs_cxx(self):
        blocks = dict(kconfig_blocks(read(os.path.join(PACKAGE, "Config.in"))))
        attributes = blocks["config BR2_PACKAGE_IPSLIDE"]
        self.assertIn('\tbool "ipslide"', attributes)
        self.assertIn("\tselect BR2_PACKAGE_FREETYPE", attributes)
        self.assertTrue(any(re.match(r"^\tdepends on BR2_INSTALL_LIBSTDCPP\b", a)
                            for a in attributes))
        # Buildroot's habit: a comment says why the package is hidden.
        comments = [attrs for key, attrs in blocks.items() if key.startswith("comment ")]
        self.assertEqual(len(comments), 1)
        self.assertTrue(any("!BR2_INSTALL_LIBSTDCPP" in a for a in comments[0]))

    def test_package_mk_shape(self):
        text = read(os.path.join(PACKAGE, "ipslide.mk"))
        rule = "#" * 80
        self.assertTrue(text.startswith("%s\n#\n# ipslide\n#\n%s\n" % (rule, rule)))
        self.assertEqual(text.rstrip("\n").splitlines()[-1], "$(eval $(cmake-package))")
        self.assertNotRegex(text, r"(?m)[ \t]$")
        for name in re.findall(r"^([A-Za-z0-9_]+)\s*(?:\+|:|\?)?=", text, re.M):
            self.assertTrue(name.startswith("IPSLIDE_"), name)
        self.assertRegex(text, r"(?m)^IPSLIDE_DEPENDENCIES = .*\bfreetype\b")

    def test_package_options_exist_in_the_project(self):
        # A renamed option would be ignored by CMake without a word.
        text = read(os.path.join(PACKAGE, "ipslide.mk"))
        options = set(re.findall(r"-D(IPSLIDE_[A-Z_]+)=", text))
        self.assertTrue(options)
        cmake = read(os.path.join(SOURCE, "CMakeLists.txt")) + \
            read(os.path.join(SOURCE, "cmake", "cross-build.cmake"))
        for option in options:
            self.assertRegex(cmake, r"(option|set)\(%s\b" % option, option)


# Every Buildroot symbol the defconfig and the package use, with the file of
# Buildroot's tree where we read it (nothing here can run Buildroot, and a
# misspelt symbol is dropped by Kconfig without a word), and, for some, what we
# read there that our defconfig must then also say: the symbols it needs set and
# those it cannot live with. Add a symbol here only after reading it there.
BUILDROOT_SYMBOLS = {
    "BR2_EXTERNAL": ("Makefile (the make variable naming external trees)", (), ()),
    "BR2_arm": ("arch/Config.in", (), ()),
    "BR2_USE_MMU": ("arch/Config.in", (), ()),
    "BR2_arm920t": ("arch/Config.in.arm", ("BR2_arm",), ()),
    "BR2_ARM_EABI": ("arch/Config.in.arm", ("BR2_arm",), ()),
    "BR2_ARM_SOFT_FLOAT": ("arch/Config.in.arm", ("BR2_ARM_EABI",), ()),
    "BR2_ARM_INSTRUCTIONS_ARM": ("arch/Config.in.arm", ("BR2_arm920t",), ()),
    "BR2_STATIC_LIBS": ("Config.in", (), ("BR2_TOOLCHAIN_BUILDROOT_GLIBC",)),
    "BR2_TOOLCHAIN_BUILDROOT": ("toolchain/Config.in", (), ()),
    "BR2_INSTALL_LIBSTDCPP": ("toolchain/Config.in", (), ()),
    "BR2_TOOLCHAIN_GCC_AT_LEAST_10": ("toolchain/Config.in", (), ()),
    "BR2_TOOLCHAIN_BUILDROOT_MUSL": ("toolchain/toolchain-buildroot/Config.in",
                                     ("BR2_TOOLCHAIN_BUILDROOT",), ()),
    "BR2_TOOLCHAIN_BUILDROOT_UCLIBC": ("toolchain/toolchain-buildroot/Config.in",
                                       ("BR2_TOOLCHAIN_BUILDROOT",), ()),
    "BR2_TOOLCHAIN_BUILDROOT_GLIBC": ("toolchain/toolchain-buildroot/Config.in",
                                      ("BR2_TOOLCHAIN_BUILDROOT",), ()),
    "BR2_TOOLCHAIN_BUILDROOT_CXX": ("package/gcc/Config.in.host",
                                    ("BR2_TOOLCHAIN_BUILDROOT",), ()),
    "BR2_KERNEL_HEADERS_AS_KERNEL": ("package/linux-headers/Config.in.host",
                                     ("BR2_LINUX_KERNEL",), ()),
    "BR2_PACKAGE_HOST_LINUX_HEADERS_CUSTOM_6_1": ("package/linux-headers/Config.in.host",
                                                  ("BR2_KERNEL_HEADERS_AS_KERNEL",), ()),
    "BR2_HOST_CMAKE_AT_LEAST_3_25": ("package/cmake/Config.in.host", (), ()),
    "BR2_PACKAGE_FREETYPE": ("package/libass/Config.in (selects it)", (), ()),
    "BR2_INIT_BUSYBOX": ("system/Config.in", (), ()),
    "BR2_TARGET_GENERIC_HOSTNAME": ("system/Config.in", (), ()),
    "BR2_TARGET_GENERIC_ISSUE": ("system/Config.in", (), ()),
    "BR2_TARGET_GENERIC_GETTY_PORT": ("system/Config.in", (), ()),
    "BR2_TARGET_GENERIC_GETTY_BAUDRATE_115200": ("system/Config.in", (), ()),
    "BR2_SYSTEM_DHCP": ("system/Config.in", (), ()),
    "BR2_ROOTFS_DEVICE_CREATION_DYNAMIC_DEVTMPFS": ("system/Config.in", (), ()),
    "BR2_ROOTFS_OVERLAY": ("system/Config.in", (), ()),
    "BR2_LINUX_KERNEL": ("linux/Config.in", (), ()),
    "BR2_LINUX_KERNEL_CUSTOM_VERSION": ("linux/Config.in", ("BR2_LINUX_KERNEL",), ()),
    "BR2_LINUX_KERNEL_CUSTOM_VERSION_VALUE": ("linux/Config.in",
                                              ("BR2_LINUX_KERNEL_CUSTOM_VERSION",), ()),
    "BR2_LINUX_KERNEL_PATCH": ("linux/Config.in", ("BR2_LINUX_KERNEL",), ()),
    "BR2_LINUX_KERNEL_USE_DEFCONFIG": ("linux/Config.in", ("BR2_LINUX_KERNEL",), ()),
    "BR2_LINUX_KERNEL_DEFCONFIG": ("linux/Config.in", ("BR2_LINUX_KERNEL_USE_DEFCONFIG",), ()),
    "BR2_LINUX_KERNEL_CONFIG_FRAGMENT_FILES": ("linux/Config.in", ("BR2_LINUX_KERNEL",), ()),
    "BR2_LINUX_KERNEL_ZIMAGE": ("linux/Config.in", ("BR2_LINUX_KERNEL",), ()),
    "BR2_TARGET_ROOTFS_EXT2": ("fs/ext2/Config.in", (), ()),
    "BR2_TARGET_ROOTFS_EXT2_4": ("fs/ext2/Config.in", ("BR2_TARGET_ROOTFS_EXT2",), ()),
    "BR2_TARGET_ROOTFS_EXT2_LABEL": ("fs/ext2/Config.in", ("BR2_TARGET_ROOTFS_EXT2",), ()),
    "BR2_TARGET_ROOTFS_EXT2_SIZE": ("fs/ext2/Config.in", ("BR2_TARGET_ROOTFS_EXT2",), ()),
}


def defconfig_entries():
    """The defconfig's SYMBOL=value lines, string values unquoted."""
    entries = {}
    for line in read(DEFCONFIG).splitlines():
        if line and not line.startswith("#"):
            name, value = line.split("=", 1)
            entries[name] = value[1:-1] if value.startswith('"') else value
    return entries


def our_symbols():
    """What our own tree defines: its packages' options and the tree's path."""
    ours = set(re.findall(r"^config (BR2_\w+)$", read(os.path.join(PACKAGE, "Config.in")), re.M))
    return ours | {"BR2_EXTERNAL_%s_PATH" % external_name()}


class BuildrootBoardTest(unittest.TestCase):
    def test_every_symbol_used_was_read_in_buildroot(self):
        used = set(defconfig_entries())
        for path in (DEFCONFIG, os.path.join(PACKAGE, "Config.in"),
                     os.path.join(PACKAGE, "ipslide.mk")):
            used |= set(re.findall(r"\bBR2_\w+", read(path)))
        unread = sorted(used - set(BUILDROOT_SYMBOLS) - our_symbols())
        self.assertEqual(unread, [])

    def test_what_buildroot_asks_of_each_symbol_is_in_the_defconfig(self):
        # Kconfig drops a symbol whose dependencies are not met, silently: a static
        # build with glibc, say, would become a shared one.
        entries = defconfig_entries()
        for name, value in entries.items():
            if name not in BUILDROOT_SYMBOLS or value in ("", "n"):
                continue
            _, needs, conflicts = BUILDROOT_SYMBOLS[name]
            for need in needs:
                self.assertEqual(entries.get(need), "y", "%s needs %s" % (name, need))
            for conflict in conflicts:
                self.assertNotIn(conflict, entries, "%s rules out %s" % (name, conflict))
        self.assertEqual(entries["BR2_PACKAGE_IPSLIDE"], "y")

    def test_files_it_names_are_in_the_tree(self):
        # The kernel patch folder (every *.patch in it is applied) and the fragment.
        named = [value for value in defconfig_entries().values()
                 if "$(BR2_EXTERNAL_%s_PATH)" % external_name() in value]
        self.assertEqual(len(named), 2)
        for value in named:
            path = value.replace("$(BR2_EXTERNAL_%s_PATH)" % external_name(), EXTERNAL)
            self.assertTrue(os.path.exists(path), value)
            if os.path.isdir(path):
                self.assertTrue(any(name.endswith(".patch") for name in os.listdir(path)),
                                value)

    def test_linux_6_1_with_its_headers_and_no_dhcp_of_its_own(self):
        entries = defconfig_entries()
        self.assertRegex(entries["BR2_LINUX_KERNEL_CUSTOM_VERSION_VALUE"], r"^6\.1\.\d+$")
        self.assertEqual(entries["BR2_PACKAGE_HOST_LINUX_HEADERS_CUSTOM_6_1"], "y")
        self.assertEqual(entries["BR2_LINUX_KERNEL_DEFCONFIG"], "mini2440")
        # The application starts its own udhcpc; the image's would be a second.
        self.assertEqual(entries["BR2_SYSTEM_DHCP"], "")

    def test_package_asks_for_the_cmake_the_project_needs(self):
        minimum = re.search(r"cmake_minimum_required\(VERSION (\d+)\.(\d+)\)",
                            read(os.path.join(SOURCE, "CMakeLists.txt")))
        blocks = dict(kconfig_blocks(read(os.path.join(PACKAGE, "Config.in"))))
        self.assertTrue(any(re.match(r"^\tselect BR2_HOST_CMAKE_AT_LEAST_%s_%s\b" % minimum.groups(),
                                     a) for a in blocks["config BR2_PACKAGE_IPSLIDE"]))


# Buildroot's package infrastructure reduced to what the package file uses: its
# qstrip and sep (support/misc/utils.mk), the cmake-package macro recording that
# it was evaluated, and the finalize hooks run one a line, as Buildroot's
# target-finalize step runs them (before it copies the overlays).
HARNESS = r"""
qstrip = $(strip $(subst ",,$(1)))
define sep


endef
cmake-package = ipslide_evaluated := yes
include $(BR2_EXTERNAL_IPSLIDE_PATH)/external.mk
site:
	@echo $(realpath $(IPSLIDE_SITE)) $(ipslide_evaluated)
hooks:
	@echo $(IPSLIDE_TARGET_FINALIZE_HOOKS)
options:
	@echo $(IPSLIDE_CONF_OPTS)
finalize:
	$(foreach hook,$(IPSLIDE_TARGET_FINALIZE_HOOKS),$($(hook))$(sep))
"""

SKELETON_INITTAB = ("::sysinit:/etc/init.d/rcS\n"
                    "console::respawn:/sbin/getty -L console 0 vt100\n")


class BuildrootMakeTest(unittest.TestCase):
    def run_make(self, target, *variables):
        with tempfile.NamedTemporaryFile("w", suffix=".mk", delete=False) as f:
            f.write(HARNESS)
        try:
            return subprocess.run(
                ["make", "-s", "--no-print-directory", "-f", f.name, target,
                 "BR2_EXTERNAL_IPSLIDE_PATH=" + os.path.realpath(EXTERNAL), *variables],
                capture_output=True, text=True)
        finally:
            os.unlink(f.name)

    def make(self, target, *variables):
        result = self.run_make(target, *variables)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout.strip()

    def target_dir(self, root):
        os.makedirs(os.path.join(root, "etc"))
        with open(os.path.join(root, "etc", "inittab"), "w") as f:
            f.write(SKELETON_INITTAB)
        return root

    def test_site_is_the_checkout_and_the_package_is_evaluated(self):
        site, evaluated = self.make("site").split()
        self.assertEqual(site, os.path.realpath(SOURCE))
        self.assertEqual(evaluated, "yes")

    def test_inittab_hooks_only_with_busybox_init(self):
        self.assertEqual(self.make("hooks"), "")
        self.assertEqual(self.make("hooks", "BR2_INIT_BUSYBOX=y"),
                         "IPSLIDE_INSTALL_INITTAB IPSLIDE_CHECK_OVERLAY_INITTAB")

    def test_inittab_hook_adds_the_line_once(self):
        with tempfile.TemporaryDirectory() as target:
            self.target_dir(target)
            for _ in range(2):
                self.make("finalize", "BR2_INIT_BUSYBOX=y", "TARGET_DIR=" + target)
            self.assertEqual(read(os.path.join(target, "etc", "inittab")),
                             SKELETON_INITTAB + "::sysinit:/sbin/ifconfig eth0 up\n"
                             "::respawn:/usr/bin/ipslide\n")

    def test_an_overlay_inittab_without_both_lines_stops_the_build(self):
        # The overlay is copied after the hooks and would replace the lines they
        # added; an overlay without an inittab, or with both lines, is fine.
        with tempfile.TemporaryDirectory() as root:
            target = self.target_dir(os.path.join(root, "target"))
            plain, good, bad = (os.path.join(root, name) for name in ("plain", "good", "bad"))
            for overlay, lines in ((good, inittab_entries()), (bad, inittab_entries()[1:])):
                os.makedirs(os.path.join(overlay, "etc"))
                with open(os.path.join(overlay, "etc", "inittab"), "w") as f:
                    f.write("::sysinit:/etc/init.d/rcS\n" + "".join(l + "\n" for l in lines))
            os.makedirs(plain)

            def finalize(*overlays):
                return self.run_make("finalize", "BR2_INIT_BUSYBOX=y", "TARGET_DIR=" + target,
                                     'BR2_ROOTFS_OVERLAY="%s"' % " ".join(overlays))

            self.assertEqual(finalize(plain, good).returncode, 0)
            refused = finalize(good, bad)
            self.assertNotEqual(refused.returncode, 0)
            self.assertIn("%s/etc/inittab lacks the line \"%s\"" % (bad, inittab_entries()[0]),
                          refused.stderr)

    def test_werror_only_when_asked(self):
        self.assertIn("-DIPSLIDE_WERROR=OFF", self.make("options").split())
        self.assertIn("-DIPSLIDE_WERROR=ON",
                      self.make("options", "BR2_PACKAGE_IPSLIDE_WERROR=y").split())


class InstallTest(unittest.TestCase):
    def test_installs_exactly_the_board_files(self):
        build = os.environ["IPSLIDE_BUILD_DIR"]
        with tempfile.TemporaryDirectory() as root:
            subprocess.run([os.environ.get("CMAKE_COMMAND", "cmake"), "--install", build],
                           env=dict(os.environ, DESTDIR=root), check=True,
                           capture_output=True)
            installed = sorted(os.path.relpath(os.path.join(d, name), root)
                               for d, _, files in os.walk(root) for name in files)
            self.assertEqual(installed,
                             ["etc/udhcpc.conf", "usr/bin/ipslide", "usr/bin/ipslide-doctor"])
            for path in installed:
                mode = os.stat(os.path.join(root, path)).st_mode
                self.assertTrue(mode & stat.S_IXUSR and mode & stat.S_IXOTH, path)
            for program in ("ipslide", "ipslide-doctor"):
                with open(os.path.join(root, "usr/bin", program), "rb") as f:
                    with open(os.path.join(build, "bin", program), "rb") as built:
                        self.assertEqual(f.read(), built.read(), program)
            self.assertEqual(read(os.path.join(root, "etc/udhcpc.conf")),
                             read(os.path.join(DEPLOY, "udhcpc.conf")))


if __name__ == "__main__":
    unittest.main()
