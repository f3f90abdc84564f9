// A file system with only an empty root folder and fixed statistics. Tests mount it, then stop
// its daemon with SIGSTOP to get a mount point that hangs like a dead network share.
#define FUSE_USE_VERSION 31

#include <fuse.h>

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

enum {
    pausable_fs_frsize = 4096,
    pausable_fs_bsize = 8192,
    pausable_fs_blocks = 1000,
    pausable_fs_bavail = 250,
};

static int pausable_getattr(const char* path, struct stat* st, struct fuse_file_info* fi)
{
    (void)fi;
    memset(st, 0, sizeof *st);
    if (strcmp(path, "/") != 0)
        return -ENOENT;
    st->st_mode = S_IFDIR | 0755;
    st->st_nlink = 2;
    return 0;
}

static int pausable_statfs(const char* path, struct statvfs* st)
{
    (void)path;
    memset(st, 0, sizeof *st);
    st->f_bsize = pausable_fs_bsize;
    st->f_frsize = pausable_fs_frsize;
    st->f_blocks = pausable_fs_blocks;
    st->f_bfree = pausable_fs_bavail * 2;
    st->f_bavail = pausable_fs_bavail;
    st->f_namemax = 255;
    return 0;
}

static const struct fuse_operations operations = {
    .getattr = pausable_getattr,
    .statfs = pausable_statfs,
};

int main(int argc, char* argv[])
{
    return fuse_main(argc, argv, &operations, NULL);
}
