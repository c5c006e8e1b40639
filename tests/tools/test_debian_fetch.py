"""tools/debian-fetch against a small signed archive served on this machine.

The archive mimics a Debian mirror in mid-sync: three suites signed by a key
that the sources.list trusts, one more signed by a key it does not, and in the
-security suite a Packages file that is not the one its Release file names.
Versions that the lists name but whose files are not on the mirror yet answer
404, and one file on the mirror is not the one its list describes.

Run from the repository root, as root (apt's private state, as the build
scripts use it):

    /usr/bin/python3 -m unittest discover -s tests/tools -p 'test_*.py'
"""

import email.utils
import functools
import hashlib
import http.server
import os
import shutil
import subprocess
import tempfile
import threading
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
HELPER = os.path.join(ROOT, "tools", "debian-fetch")
WIDGET_DEB = "widget_1.0+deb12u1_armhf.deb"


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def md5(path):
    with open(path, "rb") as f:
        return hashlib.md5(f.read()).hexdigest()


def run(*args, **kwargs):
    return subprocess.run(list(args), check=True, capture_output=True, text=True, **kwargs)


class Archive:
    """A signed archive under root/: suites of binary (armhf) and source
    packages, the files in pool/ that the mirror has."""

    def __init__(self, root, gnupg):
        self.root = root
        self.gnupg = gnupg
        self.suites = {}
        self.work = root + "-work"
        os.makedirs(os.path.join(root, "pool"))
        os.makedirs(self.work)

    def key(self, name):
        """A new signing key; returns its public keyring file."""
        run("gpg", "--batch", "--passphrase", "", "--quick-gen-key",
            "%s <%s@localhost>" % (name, name), "ed25519", "sign", "never",
            env=dict(os.environ, GNUPGHOME=self.gnupg))
        keyring = os.path.join(self.root, "..", name + ".gpg")
        with open(keyring, "wb") as f:
            f.write(subprocess.run(["gpg", "--export", name], check=True, capture_output=True,
                                   env=dict(os.environ, GNUPGHOME=self.gnupg)).stdout)
        return keyring

    def suite(self, name):
        return self.suites.setdefault(name, {"Packages": [], "Sources": []})

    def deb(self, suite, package, version, on_mirror=True, served=None):
        """Adds package=version to suite's Packages; its file is in the pool
        when on_mirror, with other bytes than the list's when served is given."""
        tree = os.path.join(self.work, "%s-%s" % (package, version))
        os.makedirs(os.path.join(tree, "DEBIAN"))
        with open(os.path.join(tree, "DEBIAN", "control"), "w") as f:
            f.write("Package: %s\nVersion: %s\nArchitecture: armhf\n"
                    "Maintainer: test <test@localhost>\nDescription: %s\n"
                    % (package, version, package))
        name = "%s_%s_armhf.deb" % (package, version)
        deb = os.path.join(self.work, name)
        run("dpkg-deb", "--root-owner-group", "-Zgzip", "--build", tree, deb)
        self.suite(suite)["Packages"].append(
            "Package: %s\nVersion: %s\nArchitecture: armhf\nMaintainer: test <test@localhost>\n"
            "Filename: pool/%s\nSize: %d\nMD5sum: %s\nSHA256: %s\nDescription: %s\n"
            % (package, version, name, os.path.getsize(deb), md5(deb), sha256(deb), package))
        if on_mirror:
            shutil.copy(deb, os.path.join(self.root, "pool", name))
            if served is not None:
                with open(os.path.join(self.root, "pool", name), "ab") as f:
                    f.write(served)
        return deb

    def source(self, suite, package, version, on_mirror=True):
        """Adds a native source package to suite's Sources; returns its files."""
        tree = os.path.join(self.work, "%s-%s" % (package, version))
        os.makedirs(os.path.join(tree, "debian", "source"))
        files = {
            "debian/source/format": "3.0 (native)\n",
            "debian/control": "Source: %s\nMaintainer: test <test@localhost>\n\n"
                              "Package: %s\nArchitecture: all\nDescription: %s\n"
                              % (package, package, package),
            "debian/changelog": "%s (%s) unstable; urgency=low\n\n  * Test.\n\n"
                                " -- test <test@localhost>  Thu, 01 Jan 2026 00:00:00 +0000\n"
                                % (package, version),
            "hello.c": "int main(void) { return 0; }\n",
        }
        for path, text in files.items():
            with open(os.path.join(tree, path), "w") as f:
                f.write(text)
        run("dpkg-source", "-b", os.path.basename(tree), cwd=self.work)
        names = ["%s_%s.dsc" % (package, version), "%s_%s.tar.xz" % (package, version)]
        paths = [os.path.join(self.work, n) for n in names]
        self.suite(suite)["Sources"].append(
            "Package: %s\nBinary: %s\nVersion: %s\nMaintainer: test <test@localhost>\n"
            "Architecture: all\nFormat: 3.0 (native)\nDirectory: pool\nFiles:\n%s"
            "Checksums-Sha256:\n%s"
            % (package, package, version,
               "".join(" %s %d %s\n" % (md5(p), os.path.getsize(p), n) for p, n in zip(paths, names)),
               "".join(" %s %d %s\n" % (sha256(p), os.path.getsize(p), n)
                       for p, n in zip(paths, names))))
        if on_mirror:
            for path in paths:
                shutil.copy(path, os.path.join(self.root, "pool"))
        return paths

    def publish(self, key, mid_sync=()):
        """Writes each suite's lists and its InRelease signed by key; a suite of
        mid_sync gets, after its Release is signed, a Packages list of another size."""
        for suite, lists in self.suites.items():
            top = os.path.join(self.root, "dists", suite)
            entries = []
            for kind, path in (("Packages", "main/binary-armhf/Packages"),
                               ("Sources", "main/source/Sources")):
                os.makedirs(os.path.dirname(os.path.join(top, path)), exist_ok=True)
                with open(os.path.join(top, path), "w") as f:
                    f.write("\n".join(lists[kind]))
                entries.append(" %s %d %s\n" % (sha256(os.path.join(top, path)),
                                                os.path.getsize(os.path.join(top, path)), path))
            with open(os.path.join(top, "Release"), "w") as f:
                f.write("Origin: test\nLabel: test\nSuite: %s\nCodename: %s\nDate: %s\n"
                        "Architectures: armhf\nComponents: main\nSHA256:\n%s"
                        % (suite, suite, email.utils.formatdate(usegmt=True), "".join(entries)))
            run("gpg", "--batch", "--yes", "--local-user", key, "--clearsign",
                "--output", os.path.join(top, "InRelease"), os.path.join(top, "Release"),
                env=dict(os.environ, GNUPGHOME=self.gnupg))
            if suite in mid_sync:
                with open(os.path.join(top, "main/binary-armhf/Packages"), "a") as f:
                    f.write("\nPackage: newer\nVersion: 9\nArchitecture: armhf\n")


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):
        self.server.requests.append(self.path)


class DebianFetchTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="debian-fetch-test-")
        cls.gnupg = gnupg = os.path.join(cls.tmp, "gnupg")
        os.makedirs(gnupg, mode=0o700)
        archive = Archive(os.path.join(cls.tmp, "mirror"), gnupg)
        trusted = archive.key("archive")
        archive.key("stranger")

        # widget: 1.1 named by -updates but not on the mirror yet; 1.0 is.
        # Versions as Debian's security updates spell them (+ is no regex).
        cls.widget = archive.deb("stable", "widget", "1.0+deb12u1")
        archive.deb("stable-updates", "widget", "1.1+deb12u1", on_mirror=False)
        # gadget: the mirror's file is not the one the list describes.
        archive.deb("stable", "gadget", "2.0", served=b"tampered")
        # fixed: only in the suite whose index is in mid-sync.
        archive.deb("stable-security", "fixed", "3.0")
        # tinysrc: 1.1 named by -updates, its files not on the mirror yet.
        cls.tinysrc = archive.source("stable", "tinysrc", "1.0+x1")
        archive.source("stable-updates", "tinysrc", "1.1+x1", on_mirror=False)
        archive.publish("archive", mid_sync=("stable-security",))

        # A suite signed by a key the sources.list does not trust.
        stranger = Archive(os.path.join(cls.tmp, "stranger-mirror"), gnupg)
        stranger.deb("stable-backports", "rogue", "1.0")
        stranger.publish("stranger")
        shutil.copytree(os.path.join(stranger.root, "dists"),
                        os.path.join(archive.root, "dists"), dirs_exist_ok=True)
        shutil.copytree(os.path.join(stranger.root, "pool"),
                        os.path.join(archive.root, "pool"), dirs_exist_ok=True)

        cls.server = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(QuietHandler, directory=archive.root))
        cls.server.requests = []
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        url = "http://127.0.0.1:%d/" % cls.server.server_address[1]
        cls.sources = os.path.join(cls.tmp, "sources.list")
        with open(cls.sources, "w") as f:
            for suite in ("stable", "stable-updates", "stable-security", "stable-backports"):
                for kind in ("deb", "deb-src"):
                    f.write("%s [signed-by=%s] %s %s main\n" % (kind, trusted, url, suite))

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()
        # gpg started an agent for the signing keys; it would outlive the test.
        subprocess.run(["gpgconf", "--kill", "all"], env=dict(os.environ, GNUPGHOME=cls.gnupg),
                       check=False)
        shutil.rmtree(cls.tmp)

    def setUp(self):
        self.work = tempfile.mkdtemp(dir=self.tmp)
        self.out = os.path.join(self.work, "out")
        del self.server.requests[:]

    def fetch(self, body, kind="deb armhf"):
        """Runs body in bash after sourcing the helper and debian_update."""
        script = ("set -euo pipefail\n. %s\ndebian_init test %s/apt %s\ndebian_update\n%s\n"
                  % (HELPER, self.work, kind, body))
        env = {k: v for k, v in os.environ.items() if not k.lower().endswith("_proxy")}
        env.update(IPSLIDE_DEBIAN_SOURCES=self.sources, IPSLIDE_FETCH_TRIES="2",
                   IPSLIDE_FETCH_PAUSE="0")
        return subprocess.run(["bash", "-c", script], env=env, capture_output=True, text=True,
                              timeout=300)

    def requested(self, suffix):
        return [p for p in self.server.requests if p.endswith(suffix)]

    def test_goes_on_past_a_suite_in_mid_sync_and_a_version_not_on_the_mirror(self):
        done = self.fetch('debian_fetch_debs "%s" widget; echo "took $debian_version"' % self.out)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        # The lists were fetched again before going on, and the broken suite named.
        self.assertEqual(len(self.requested("/dists/stable-security/InRelease")), 2)
        self.assertIn("not every list verified (try 1 of 2)", done.stdout)
        self.assertIn("going on with the lists that verified", done.stdout)
        self.assertRegex(done.stdout, r"stable-security/main armhf Packages: File has unexpected size "
                                      r".*Mirror sync in progress\?")
        # The newest version 404s; the one before is taken, and checked.
        self.assertRegex(done.stdout, r"widget 1\.1\+deb12u1 does not download or verify:\n.*404")
        self.assertIn("took 1.0+deb12u1", done.stdout)
        self.assertEqual(sorted(os.listdir(self.out)), ["SHA256SUMS", WIDGET_DEB])
        with open(os.path.join(self.out, WIDGET_DEB), "rb") as got, \
                open(self.widget, "rb") as want:
            self.assertEqual(got.read(), want.read())
        with open(os.path.join(self.out, "SHA256SUMS")) as f:
            self.assertEqual(f.read(), "%s  %s\n" % (sha256(self.widget), WIDGET_DEB))

    def test_names_what_is_missing_and_why(self):
        # Only in the suite in mid-sync, and only in the suite of a key not trusted.
        for package, complaint in (("fixed", "Mirror sync in progress?"),
                                   ("rogue", "stable-backports")):
            with self.subTest(package=package):
                done = self.fetch("debian_require widget %s; echo resolved" % package)
                self.assertNotEqual(done.returncode, 0)
                self.assertNotIn("resolved", done.stdout)
                self.assertIn("test: %s is in none of Debian's lists that verified" % package,
                              done.stderr)
                self.assertIn(complaint, done.stderr)

    def test_never_keeps_a_file_that_does_not_match_its_list(self):
        done = self.fetch('debian_fetch_debs "%s" widget gadget' % self.out)
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("gadget 2.0 does not download or verify", done.stdout)
        self.assertIn("test: no version of gadget in Debian's lists downloads and verifies",
                      done.stderr)
        self.assertEqual(sorted(os.listdir(self.out)), ["SHA256SUMS", WIDGET_DEB])

    def test_source_takes_the_newest_version_that_downloads_and_keeps_it(self):
        body = 'debian_fetch_source "%s" tinysrc "1.*"; echo "took $debian_version"' % self.out
        done = self.fetch(body, kind="deb-src")
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertRegex(done.stdout, r"tinysrc 1\.1\+x1 does not download or verify:\n.*404")
        self.assertIn("took 1.0+x1", done.stdout)
        self.assertEqual(sorted(os.listdir(self.out)), sorted(os.path.basename(p) for p in self.tinysrc))
        for path in self.tinysrc:
            self.assertEqual(sha256(os.path.join(self.out, os.path.basename(path))), sha256(path))
        # Already there and verified: taken without downloading it again.
        del self.server.requests[:]
        again = self.fetch(body, kind="deb-src")
        self.assertIn("took 1.0+x1", again.stdout)
        self.assertEqual(self.requested("/tinysrc_1.0+x1.tar.xz"), [])

        # A version asked for exactly is not replaced by another one.
        pinned = self.fetch('debian_fetch_source "%s" tinysrc 1.1+x1' % self.out, kind="deb-src")
        self.assertNotEqual(pinned.returncode, 0)
        self.assertIn("no version of tinysrc 1.1+x1 in Debian's lists downloads and verifies",
                      pinned.stderr)


class UsersTest(unittest.TestCase):
    def test_the_helper_and_the_scripts_that_source_it_pass_shellcheck(self):
        # The helper runs only inside the scripts that source it; an unset
        # variable or a misquoted expansion there would surface on a fresh
        # machine's first fetch. shellcheck follows each script into it
        # (make-board-kernel's checks are a script of their own).
        users = [os.path.join("tools", name) for name in
                 ("make-v4t-runtime", "make-arm-sysroot", "make-board-vm", "make-board-kernel")]
        for script in users:
            with open(os.path.join(ROOT, script)) as f:
                self.assertIn('. "$here/tools/debian-fetch"', f.read(), script)
        scripts = [os.path.join("tools", "debian-fetch"), os.path.join("tools", "check-board-kernel")]
        done = subprocess.run(["shellcheck", "-x", "-s", "bash"] + scripts + users, cwd=ROOT,
                              capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)


if __name__ == "__main__":
    unittest.main()
