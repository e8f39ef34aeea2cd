#!/usr/bin/python3
"""A folder as a dead network share or a cloud file that never downloads shows
it: every file of a real folder passes through, and one more picture is
listed with its size, but a read of it never completes.

deadfs.py <real folder> <mount point> <dead file name> <log>: mounts in the
foreground until unmounted; each read of the dead file that starts is noted in
the log, one line each.
"""
import errno
import os
import sys
import threading

import fusepy
from fusepy import FUSE, FuseOSError, Operations


class DeadFile(Operations):
    def __init__(self, real, dead, log):
        self.real = real
        self.dead = '/' + dead
        self.log = log
        self.never = threading.Event()

    def _path(self, path):
        return os.path.join(self.real, path.lstrip('/'))

    def getattr(self, path, fh=None):
        if path == self.dead:
            return {'st_mode': 0o100644, 'st_nlink': 1, 'st_size': 120054, 'st_uid': os.getuid(),
                    'st_gid': os.getgid(), 'st_atime': 0, 'st_mtime': 0, 'st_ctime': 0}
        st = os.lstat(self._path(path))
        return {key: getattr(st, key) for key in
                ('st_mode', 'st_nlink', 'st_size', 'st_uid', 'st_gid', 'st_atime', 'st_mtime', 'st_ctime')}

    def readdir(self, path, fh):
        names = ['.', '..'] + os.listdir(self._path(path))
        if path == '/':
            names.append(self.dead[1:])
        return names

    def open(self, path, flags):
        if path == self.dead:
            return 0
        return os.open(self._path(path), flags)

    def create(self, path, mode, fi=None):
        return os.open(self._path(path), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)

    def read(self, path, size, offset, fh):
        if path == self.dead:
            with open(self.log, 'a') as log:
                log.write('read %s\n' % path)
            # Never answered; only a read given up (its reader ended or was
            # interrupted) comes back, so that its reader can end at all.
            while not self.never.wait(0.05):
                if fusepy._libfuse.fuse_interrupted():
                    raise FuseOSError(errno.EINTR)
        os.lseek(fh, offset, os.SEEK_SET)
        return os.read(fh, size)

    def write(self, path, data, offset, fh):
        os.lseek(fh, offset, os.SEEK_SET)
        return os.write(fh, data)

    def truncate(self, path, length, fh=None):
        with open(self._path(path), 'r+') as f:
            f.truncate(length)

    def flush(self, path, fh):
        return 0 if path == self.dead else os.fsync(fh)

    def fsync(self, path, datasync, fh):
        return 0 if path == self.dead else os.fsync(fh)

    def release(self, path, fh):
        return 0 if path == self.dead else os.close(fh)

    def unlink(self, path):
        if path == self.dead:
            raise FuseOSError(errno.EACCES)
        os.unlink(self._path(path))

    def rename(self, old, new):
        if self.dead in (old, new):
            raise FuseOSError(errno.EACCES)
        os.rename(self._path(old), self._path(new))

    def chmod(self, path, mode):
        if path != self.dead:
            os.chmod(self._path(path), mode)

    def utimens(self, path, times=None):
        if path != self.dead:
            os.utime(self._path(path), times)

    def statfs(self, path):
        st = os.statvfs(self.real)
        return {key: getattr(st, key) for key in
                ('f_bavail', 'f_bfree', 'f_blocks', 'f_bsize', 'f_favail', 'f_ffree', 'f_files', 'f_flag',
                 'f_frsize', 'f_namemax')}


if __name__ == '__main__':
    real, mount, dead, log = sys.argv[1:5]
    FUSE(DeadFile(real, dead, log), mount, foreground=True, nothreads=False, direct_io=True, intr=True)
