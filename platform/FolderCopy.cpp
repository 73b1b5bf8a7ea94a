#include "platform/FolderCopy.h"

#if JUCE_MAC

bool copyBundle (const juce::File& source, const juce::File& destination)
{
    // The framework copies through NSFileManager, which keeps links, modes and
    // everything else that a bundle holds.
    return source.copyFileTo (destination);
}

#else

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#if defined (__linux__)
 #include <sys/sendfile.h>
#endif

namespace
{
    /** Deeper than any real bundle; two descriptors stay open per level. */
    constexpr int maximumDepth = 128;

    constexpr mode_t modeBits = 07777;

    bool writeAll (int fd, const char* data, size_t size)
    {
        while (size > 0)
        {
            const auto written = ::write (fd, data, size);

            if (written < 0)
            {
                if (errno == EINTR)
                    continue;

                return false;
            }

            data += written;
            size -= (size_t) written;
        }

        return true;
    }

    bool copyBytesWithReadWrite (int in, int out)
    {
        std::vector<char> buffer (1 << 20);

        for (;;)
        {
            const auto got = ::read (in, buffer.data(), buffer.size());

            if (got == 0)
                return true;

            if (got < 0)
            {
                if (errno == EINTR)
                    continue;

                return false;
            }

            if (! writeAll (out, buffer.data(), (size_t) got))
                return false;
        }
    }

    /** Copies every byte of an open file into another; the kernel moves the
        bytes itself where it can, without passing them through this process.
    */
    bool copyBytes (int in, int out)
    {
       #if defined (__linux__)
        constexpr size_t chunk = (size_t) 1 << 30;

        // Both calls move the file offsets, so each fallback goes on where the
        // previous way stopped.
        for (;;)
        {
            const auto copied = ::copy_file_range (in, nullptr, out, nullptr, chunk, 0);

            if (copied > 0)
                continue;

            if (copied == 0)
                return true;

            if (errno == EINTR)
                continue;

            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL
                 || errno == EOPNOTSUPP || errno == EPERM)
                break;

            return false;
        }

        for (;;)
        {
            const auto copied = ::sendfile (out, in, nullptr, chunk);

            if (copied > 0)
                continue;

            if (copied == 0)
                return true;

            if (errno == EINTR)
                continue;

            if (errno == EINVAL || errno == ENOSYS)
                break;

            return false;
        }
       #endif

        return copyBytesWithReadWrite (in, out);
    }

    struct FileDescriptor
    {
        explicit FileDescriptor (int f) : fd (f) {}
        ~FileDescriptor()                       { if (fd >= 0) ::close (fd); }

        int release()                           { auto f = fd; fd = -1; return f; }

        int fd;

        JUCE_DECLARE_NON_COPYABLE (FileDescriptor)
    };

    void copyTimes (int fd, const struct stat& info)
    {
        const struct timespec times[2] = { info.st_atim, info.st_mtim };
        ::futimens (fd, times);
    }

    /** Opens an entry of a folder without following a link, and checks that it
        is still the item that was listed, not something swapped in since (a
        pipe swapped in does not block the open).
    */
    int openListed (int sourceDir, const char* sourceName, int flags, const struct stat& listed)
    {
        const int fd = ::openat (sourceDir, sourceName, flags | O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);

        if (fd < 0)
            return -1;

        struct stat info;

        if (::fstat (fd, &info) != 0 || info.st_dev != listed.st_dev || info.st_ino != listed.st_ino)
        {
            ::close (fd);
            return -1;
        }

        return fd;
    }

    /** Copies an open regular file to a new file in a folder. */
    bool copyFileFrom (int in, const struct stat& info, int destinationDir, const char* destinationName,
                       bool& created)
    {
        FileDescriptor out (::openat (destinationDir, destinationName,
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));

        if (out.fd < 0)
            return false;

        created = true;

        if (! copyBytes (in, out.fd))
            return false;

        if (::fchmod (out.fd, info.st_mode & modeBits) != 0)
            return false;

        copyTimes (out.fd, info);
        return ::close (out.release()) == 0;
    }

    bool copyLinkAt (int sourceDir, const char* sourceName,
                     int destinationDir, const char* destinationName,
                     const struct stat& info)
    {
        std::vector<char> target ((size_t) std::max<off_t> (info.st_size, 255) + 2);

        for (;;)
        {
            const auto length = ::readlinkat (sourceDir, sourceName, target.data(), target.size());

            if (length < 0)
                return false;

            if ((size_t) length < target.size())
            {
                target[(size_t) length] = 0;
                break;
            }

            target.resize (target.size() * 2);
        }

        if (::symlinkat (target.data(), destinationDir, destinationName) != 0)
            return false;

        const struct timespec times[2] = { info.st_atim, info.st_mtim };
        ::utimensat (destinationDir, destinationName, times, AT_SYMLINK_NOFOLLOW);
        return true;
    }

    bool copyFolderFrom (int in, const struct stat& info, int destinationDir, const char* destinationName,
                         int depth, bool& created);

    /** Copies everything inside one open folder into another open folder. */
    bool copyFolderContents (int sourceFd, int destinationFd, int depth)
    {
        auto* dir = ::fdopendir (sourceFd);

        if (dir == nullptr)
        {
            ::close (sourceFd);
            return false;
        }

        bool ok = true;

        for (;;)
        {
            errno = 0;
            auto* entry = ::readdir (dir);

            if (entry == nullptr)
            {
                ok = (errno == 0);
                break;
            }

            const char* name = entry->d_name;

            if (std::strcmp (name, ".") == 0 || std::strcmp (name, "..") == 0)
                continue;

            struct stat info;

            if (::fstatat (::dirfd (dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            {
                ok = false;
                break;
            }

            bool created = false;

            if (S_ISLNK (info.st_mode))
            {
                ok = copyLinkAt (::dirfd (dir), name, destinationFd, name, info);
            }
            else if (S_ISREG (info.st_mode))
            {
                FileDescriptor in (openListed (::dirfd (dir), name, 0, info));
                ok = in.fd >= 0 && copyFileFrom (in.fd, info, destinationFd, name, created);
            }
            else if (S_ISDIR (info.st_mode))
            {
                const int in = openListed (::dirfd (dir), name, O_DIRECTORY, info);
                ok = in >= 0 && copyFolderFrom (in, info, destinationFd, name, depth + 1, created);
            }
            else
            {
                ok = false;   // devices, pipes and sockets have no place in a bundle
            }

            if (! ok)
                break;
        }

        ::closedir (dir);
        return ok;
    }

    /** Copies an open folder, with everything in it, to a new folder. Takes
        ownership of the source descriptor.
    */
    bool copyFolderFrom (int in, const struct stat& info, int destinationDir, const char* destinationName,
                         int depth, bool& created)
    {
        if (depth > maximumDepth)
        {
            ::close (in);
            return false;
        }

        // Created private and writable, so that it can be filled; it gets the
        // source's mode once its contents are in.
        if (::mkdirat (destinationDir, destinationName, 0700) != 0)
        {
            ::close (in);
            return false;
        }

        created = true;

        FileDescriptor out (::openat (destinationDir, destinationName,
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));

        if (out.fd < 0)
        {
            ::close (in);
            return false;
        }

        if (! copyFolderContents (in, out.fd, depth))
            return false;

        if (::fchmod (out.fd, info.st_mode & modeBits) != 0)
            return false;

        copyTimes (out.fd, info);
        return true;
    }

    /** Removes a tree that this copy created, without following links. Folders
        copied read-only are opened up first so their contents can go.
    */
    void removeTree (int parentDir, const char* name)
    {
        struct stat info;

        if (::fstatat (parentDir, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return;

        if (! S_ISDIR (info.st_mode))
        {
            ::unlinkat (parentDir, name, 0);
            return;
        }

        const int fd = ::openat (parentDir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);

        if (fd >= 0)
        {
            ::fchmod (fd, 0700);

            if (auto* dir = ::fdopendir (fd))
            {
                std::vector<std::string> names;

                while (auto* entry = ::readdir (dir))
                    if (std::strcmp (entry->d_name, ".") != 0 && std::strcmp (entry->d_name, "..") != 0)
                        names.emplace_back (entry->d_name);

                for (auto& child : names)
                    removeTree (::dirfd (dir), child.c_str());

                ::closedir (dir);
            }
            else
            {
                ::close (fd);
            }
        }

        ::unlinkat (parentDir, name, AT_REMOVEDIR);
    }

    /** True when two paths that differ only in letter case name one item. */
    bool nameTheSameItem (const juce::File& a, const juce::File& b)
    {
        if (a.getFullPathName() == b.getFullPathName())
            return true;

        struct stat infoA, infoB;

        return ::stat (a.getFullPathName().toRawUTF8(), &infoA) == 0
            && ::stat (b.getFullPathName().toRawUTF8(), &infoB) == 0
            && infoA.st_dev == infoB.st_dev
            && infoA.st_ino == infoB.st_ino;
    }

    /** Removes what stands at a path, without recursing: a file or a link, or
        an empty folder. Nothing there counts as removed.
    */
    bool removeWithoutRecursing (const char* path)
    {
        struct stat info;

        if (::lstat (path, &info) != 0)
            return errno == ENOENT;

        if (S_ISDIR (info.st_mode))
            return ::rmdir (path) == 0;

        return ::unlink (path) == 0;
    }
}

bool copyBundle (const juce::File& source, const juce::File& destination)
{
    const auto sourcePath = source.getFullPathName();
    const auto destinationPath = destination.getFullPathName();

    // Same path, letter case aside, counts as done. On a file system that tells
    // letter case apart, two such paths may name different items: those are copied.
    if (sourcePath.equalsIgnoreCase (destinationPath) && nameTheSameItem (source, destination))
        return true;

    if (sourcePath.isEmpty() || destinationPath.isEmpty())
        return false;

    // The bundle the user chose may be reached through a link; inside it, no
    // link is ever followed.
    struct stat info;

    if (::stat (sourcePath.toRawUTF8(), &info) != 0 || ! (S_ISDIR (info.st_mode) || S_ISREG (info.st_mode)))
        return false;

    // A folder cannot hold a copy of itself.
    if (destination.isAChildOf (source))
        return false;

    if (! removeWithoutRecursing (destinationPath.toRawUTF8()))
        return false;

    const auto destinationParent = destination.getParentDirectory().getFullPathName();
    const auto destinationName = destination.getFileName();

    FileDescriptor parent (::open (destinationParent.toRawUTF8(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));

    if (parent.fd < 0 || destinationName.isEmpty())
        return false;

    const int in = ::open (sourcePath.toRawUTF8(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);

    if (in < 0)
        return false;

    struct stat opened;

    if (::fstat (in, &opened) != 0 || opened.st_dev != info.st_dev || opened.st_ino != info.st_ino)
    {
        ::close (in);
        return false;
    }

    bool ok = false, created = false;

    if (S_ISDIR (info.st_mode))
    {
        ok = copyFolderFrom (in, info, parent.fd, destinationName.toRawUTF8(), 0, created);
    }
    else
    {
        FileDescriptor file (in);
        ok = S_ISREG (info.st_mode) && copyFileFrom (file.fd, info, parent.fd, destinationName.toRawUTF8(), created);
    }

    // Leave no half-copied bundle behind.
    if (! ok && created)
        removeTree (parent.fd, destinationName.toRawUTF8());

    return ok;
}

#endif
