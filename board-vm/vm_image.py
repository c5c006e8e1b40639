"""What the board VM boots from: the initramfs (a newc archive written here, so
the device node /dev/console needs no root on the host) and the stick's disk."""

import os
import struct


class Cpio:
    """A newc archive, as the kernel unpacks into its initramfs. Written here so
    the device node /dev/console needs no root on the host."""

    def __init__(self):
        self.data = bytearray()
        self.ino = 1

    def add(self, name, mode, body=b"", rdev=(0, 0)):
        encoded = name.encode() + b"\0"
        fields = (self.ino, mode, 0, 0, 1, 0, len(body), 0, 0, rdev[0], rdev[1],
                  len(encoded), 0)
        self.ino += 1
        self.data += b"070701" + "".join("%08X" % v for v in fields).encode() + encoded
        self._pad()
        self.data += body
        self._pad()

    def _pad(self):
        self.data += b"\0" * (-len(self.data) % 4)

    def add_tree(self, top):
        for folder, dirs, files in os.walk(top):
            dirs.sort()
            rel = os.path.relpath(folder, top)
            if rel != ".":
                self.add(rel, 0o40755)
            for name in sorted(files) + sorted(d for d in dirs
                                               if os.path.islink(os.path.join(folder, d))):
                path = os.path.join(folder, name)
                member = os.path.normpath(os.path.join(rel, name))
                if os.path.islink(path):
                    self.add(member, 0o120777, os.readlink(path).encode())
                else:
                    with open(path, "rb") as f:
                        self.add(member, 0o100000 | (os.stat(path).st_mode & 0o777), f.read())

    def finish(self):
        self.add("TRAILER!!!", 0)
        return bytes(self.data)


def inittab(deployed_path):
    """Our sysinit, then the deployed inittab's lines as they are."""
    with open(deployed_path) as f:
        deployed = [line for line in f if line.strip() and not line.startswith("#")]
    return ("::sysinit:/etc/board-vm/sysinit\n" + "".join(deployed)).encode()


def build_initramfs(path, base, app, deploy):
    """The tree make-board-vm built, the application and deploy/'s two files."""
    archive = Cpio()
    archive.add_tree(base)
    archive.add("dev/console", 0o20600, rdev=(5, 1))
    with open(app, "rb") as f:
        archive.add("usr/bin/ipslide", 0o100755, f.read())
    with open(os.path.join(deploy, "udhcpc.conf"), "rb") as f:
        archive.add("etc/udhcpc.conf", 0o100755, f.read())
    archive.add("etc/inittab", 0o100644, inittab(os.path.join(deploy, "inittab")))
    with open(path, "wb") as f:
        f.write(archive.finish())


def partitioned(filesystem, disk):
    """The stick as a USB stick carries it: an MBR whose first partition (Linux,
    from 1 MiB) holds the file system, so the kernel makes /dev/sda1 of it."""
    with open(filesystem, "rb") as f:
        body = f.read()
    body += b"\0" * (-len(body) % 512)
    start = 2048
    mbr = bytearray(start * 512)
    mbr[446:462] = struct.pack("<B3sB3sII", 0, b"\xfe\xff\xff", 0x83, b"\xfe\xff\xff",
                               start, len(body) // 512)
    mbr[510:512] = b"\x55\xaa"
    with open(disk, "wb") as f:
        f.write(bytes(mbr) + body)
