"""What ships around the board binary: the inittab line, the Buildroot external
tree (its shape as Buildroot's manual wants it, and its make logic run through a
stand-in for Buildroot's package infrastructure), and what `cmake --install`
puts under DESTDIR."""

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


# Buildroot's package infrastructure reduced to what the package file uses: the
# cmake-package macro records that it was evaluated, and the finalize hooks run
# like Buildroot's target-finalize step runs them.
HARNESS = r"""
cmake-package = ipslide_evaluated := yes
include $(BR2_EXTERNAL_IPSLIDE_PATH)/external.mk
site:
	@echo $(realpath $(IPSLIDE_SITE)) $(ipslide_evaluated)
hooks:
	@echo $(IPSLIDE_TARGET_FINALIZE_HOOKS)
finalize:
	$(foreach hook,$(IPSLIDE_TARGET_FINALIZE_HOOKS),$(call $(hook)))
"""


class BuildrootMakeTest(unittest.TestCase):
    def make(self, target, *variables):
        with tempfile.NamedTemporaryFile("w", suffix=".mk", delete=False) as f:
            f.write(HARNESS)
        try:
            result = subprocess.run(
                ["make", "-s", "--no-print-directory", "-f", f.name, target,
                 "BR2_EXTERNAL_IPSLIDE_PATH=" + os.path.realpath(EXTERNAL), *variables],
                capture_output=True, text=True, check=True)
        finally:
            os.unlink(f.name)
        return result.stdout.strip()

    def test_site_is_the_checkout_and_the_package_is_evaluated(self):
        site, evaluated = self.make("site").split()
        self.assertEqual(site, os.path.realpath(SOURCE))
        self.assertEqual(evaluated, "yes")

    def test_inittab_hook_only_with_busybox_init(self):
        self.assertEqual(self.make("hooks"), "")
        self.assertEqual(self.make("hooks", "BR2_INIT_BUSYBOX=y"), "IPSLIDE_INSTALL_INITTAB")

    def test_inittab_hook_adds_the_line_once(self):
        with tempfile.TemporaryDirectory() as target:
            os.mkdir(os.path.join(target, "etc"))
            inittab = os.path.join(target, "etc", "inittab")
            skeleton = "::sysinit:/etc/init.d/rcS\nconsole::respawn:/sbin/getty -L console 0 vt100\n"
            with open(inittab, "w") as f:
                f.write(skeleton)
            for _ in range(2):
                self.make("finalize", "BR2_INIT_BUSYBOX=y", "TARGET_DIR=" + target)
            self.assertEqual(read(inittab), skeleton + "::sysinit:/sbin/ifconfig eth0 up\n"
                             "::respawn:/usr/bin/ipslide\n")


class InstallTest(unittest.TestCase):
    def test_installs_exactly_the_board_files(self):
        build = os.environ["IPSLIDE_BUILD_DIR"]
        with tempfile.TemporaryDirectory() as root:
            subprocess.run([os.environ.get("CMAKE_COMMAND", "cmake"), "--install", build],
                           env=dict(os.environ, DESTDIR=root), check=True,
                           capture_output=True)
            installed = sorted(os.path.relpath(os.path.join(d, name), root)
                               for d, _, files in os.walk(root) for name in files)
            self.assertEqual(installed, ["etc/udhcpc.conf", "usr/bin/ipslide"])
            for path in installed:
                mode = os.stat(os.path.join(root, path)).st_mode
                self.assertTrue(mode & stat.S_IXUSR and mode & stat.S_IXOTH, path)
            with open(os.path.join(root, "usr/bin/ipslide"), "rb") as f:
                with open(os.path.join(build, "bin", "ipslide"), "rb") as built:
                    self.assertEqual(f.read(), built.read())
            self.assertEqual(read(os.path.join(root, "etc/udhcpc.conf")),
                             read(os.path.join(DEPLOY, "udhcpc.conf")))


if __name__ == "__main__":
    unittest.main()
