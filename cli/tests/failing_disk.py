"""A failing disk for the converter's tests: a FUSE file system that serves
the files of a backing folder as they are, except that it fails the reads
and syncs a control file names, as a dying SD card or a card reader that
drops out does.

    /usr/bin/python3 failing_disk.py BACKING MOUNTPOINT CONTROL LOG

CONTROL is read once, at the start; a line is one of
    read NAME OFFSET   a read of NAME (its path under the mount) fails with
                       EIO when the range it asks for reaches OFFSET or beyond
    fsync PATTERN      an fsync of a file or folder whose name (the last part
                       of its path) matches the shell PATTERN fails with EIO
    nolinks            the file system makes no hard links (EPERM), as FAT
                       and many FUSE servers; with libfuse 2 it has no
                       exclusive rename either
Every fsync request is appended to LOG as "fsync NAME" (NAME its path under
the mount), and every sync of a folder as "fsyncdir NAME", so that a test can
count what reached the disk. The server runs in the foreground, one request
at a time, and ends when the file system is unmounted.

Files are opened with the kernel's page cache bypassed (direct I/O), so each
read of a failing range reaches the server and fails again; a mapping of the
file (MAP_PRIVATE) still goes through the page cache, whose reads come here
too and fail the same way.
"""

import errno
import fnmatch
import os
import sys
import time

import fusepy

# What libfuse 2 passes for a time utimensat was told to leave or to set to
# now (tv_sec 0 and a reserved tv_nsec), once fusepy has made it nanoseconds.
UTIME_NOW = (1 << 30) - 1
UTIME_OMIT = (1 << 30) - 2


def read_control(path):
    read_faults = {}
    fsync_faults = []
    links = True
    with open(path, encoding="utf-8") as control:
        for number, line in enumerate(control, 1):
            words = line.split()
            if not words or words[0].startswith("#"):
                continue
            if words[0] == "read" and len(words) == 3:
                read_faults[words[1].lstrip("/")] = int(words[2])
            elif words[0] == "fsync" and len(words) == 2:
                fsync_faults.append(words[1])
            elif words == ["nolinks"]:
                links = False
            else:
                sys.exit(f"{path}:{number}: not understood: {line.strip()}")
    return read_faults, fsync_faults, links


class FailingDisk(fusepy.Operations):
    use_ns = True

    def __init__(self, backing, control, log):
        self.backing = os.path.realpath(backing)
        self.read_faults, self.fsync_faults, self.links = read_control(control)
        self.log = open(log, "a", buffering=1, encoding="utf-8")

    def real(self, path):
        return os.path.join(self.backing, path.lstrip("/"))

    def note(self, what, path):
        self.log.write(f"{what} {path.lstrip('/')}\n")

    # Names and attributes

    def getattr(self, path, fi=None):
        st = os.fstat(fi.fh) if fi else os.lstat(self.real(path))
        attributes = {key: getattr(st, key) for key in (
            "st_mode", "st_ino", "st_nlink", "st_uid", "st_gid", "st_size",
            "st_blocks", "st_blksize", "st_rdev")}
        attributes.update(st_atime=st.st_atime_ns, st_mtime=st.st_mtime_ns,
                          st_ctime=st.st_ctime_ns)
        return attributes

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self.real(path))

    def readlink(self, path):
        return os.readlink(self.real(path))

    def mkdir(self, path, mode):
        os.mkdir(self.real(path), mode)

    def rmdir(self, path):
        os.rmdir(self.real(path))

    def symlink(self, target, source):
        os.symlink(source, self.real(target))

    def link(self, target, source):
        if not self.links:
            raise fusepy.FuseOSError(errno.EPERM)
        os.link(self.real(source), self.real(target))

    def unlink(self, path):
        os.unlink(self.real(path))

    def rename(self, old, new):
        os.rename(self.real(old), self.real(new))

    def chmod(self, path, mode):
        os.chmod(self.real(path), mode)

    def chown(self, path, uid, gid):
        os.chown(self.real(path), uid, gid, follow_symlinks=False)

    def utimens(self, path, times=None):
        real = self.real(path)
        if times is not None:
            kept = os.lstat(real)
            now = time.time_ns()
            times = tuple(old if value == UTIME_OMIT else now if value == UTIME_NOW else value
                          for value, old in zip(times, (kept.st_atime_ns, kept.st_mtime_ns)))
        os.utime(real, ns=times, follow_symlinks=False)

    def truncate(self, path, length, fi=None):
        if fi:
            os.ftruncate(fi.fh, length)
        else:
            os.truncate(self.real(path), length)

    def statfs(self, path):
        st = os.statvfs(self.real(path))
        return {key: getattr(st, key) for key in (
            "f_bsize", "f_frsize", "f_blocks", "f_bfree", "f_bavail",
            "f_files", "f_ffree", "f_favail", "f_flag", "f_namemax")}

    # Open files

    def open(self, path, fi):
        fi.fh = os.open(self.real(path), fi.flags)
        fi.direct_io = 1
        return 0

    def create(self, path, mode, fi):
        fi.fh = os.open(self.real(path), fi.flags | os.O_CREAT, mode)
        fi.direct_io = 1
        return 0

    def read(self, path, size, offset, fi):
        failing = self.read_faults.get(path.lstrip("/"))
        if failing is not None and offset + size > failing:
            raise fusepy.FuseOSError(errno.EIO)
        return os.pread(fi.fh, size, offset)

    def write(self, path, data, offset, fi):
        return os.pwrite(fi.fh, data, offset)

    def flush(self, path, fi):
        return 0

    def fsync(self, path, datasync, fi):
        self.note("fsync", path)
        name = os.path.basename(path)
        if any(fnmatch.fnmatchcase(name, pattern) for pattern in self.fsync_faults):
            raise fusepy.FuseOSError(errno.EIO)
        (os.fdatasync if datasync else os.fsync)(fi.fh)

    def fsyncdir(self, path, datasync, fh):
        self.note("fsyncdir", path)
        name = os.path.basename(path)
        if any(fnmatch.fnmatchcase(name, pattern) for pattern in self.fsync_faults):
            raise fusepy.FuseOSError(errno.EIO)
        folder = os.open(self.real(path), os.O_RDONLY | os.O_DIRECTORY)
        try:
            os.fsync(folder)
        finally:
            os.close(folder)

    def release(self, path, fi):
        os.close(fi.fh)


def main():
    if len(sys.argv) != 5:
        sys.exit(f"usage: {sys.argv[0]} BACKING MOUNTPOINT CONTROL LOG")
    backing, mountpoint, control, log = sys.argv[1:]
    # Modes come from the kernel with the caller's umask already applied.
    os.umask(0)
    fusepy.FUSE(FailingDisk(backing, control, log), mountpoint, raw_fi=True,
                foreground=True, nothreads=True, fsname="failing-disk")


if __name__ == "__main__":
    main()
