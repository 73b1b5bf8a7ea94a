#include "form/SettingsFile.h"
#include "builder/Messages.h"

#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
    constexpr mode_t othersBits = S_IRWXG | S_IRWXO;

    /** More links in a row than this are taken for a loop, as the system does. */
    constexpr int maxLinksFollowed = 40;

    /** Kept copies of unreadable files beyond this many are not made. */
    constexpr int maxKeptCopies = 1000;

    std::string pathOf (const juce::File& file)
    {
        return file.getFullPathName().toStdString();
    }

    std::string folderOf (const std::string& path)
    {
        const auto slash = path.find_last_of ('/');
        return slash == 0 || slash == std::string::npos ? "/" : path.substr (0, slash);
    }

    /** The path that a chain of symbolic links at the path leads to; the path itself
        when no link is there. A link's relative text is joined to the link's own
        folder as written, without resolving "..", so that the system resolves the
        result as it resolves the link. False, with errno telling why, for a link
        that cannot be read and for a chain that goes on for ever.
    */
    bool followLinks (std::string path, std::string& target)
    {
        for (int i = 0; i < maxLinksFollowed; ++i)
        {
            struct stat info;

            if (::lstat (path.c_str(), &info) != 0 || ! S_ISLNK (info.st_mode))
            {
                target = path;
                return true;
            }

            std::vector<char> text ((size_t) juce::jmax ((off_t) PATH_MAX, info.st_size) + 1);
            const auto length = ::readlink (path.c_str(), text.data(), text.size());

            if (length < 0)
                return false;

            if (length == 0 || (size_t) length >= text.size())
            {
                errno = length == 0 ? ENOENT : ENAMETOOLONG;
                return false;
            }

            const std::string linkText (text.data(), (size_t) length);
            path = linkText[0] == '/' ? linkText : folderOf (path) + "/" + linkText;
        }

        errno = ELOOP;
        return false;
    }

    void closeToOthers (const std::string& path, bool isFolder)
    {
        struct stat info;

        if (::stat (path.c_str(), &info) != 0
             || (isFolder ? ! S_ISDIR (info.st_mode) : ! S_ISREG (info.st_mode))
             || (info.st_mode & othersBits) == 0)
            return;

        // Nothing more to do when this fails: a file that is not ours to change
        // is replaced by an owner-only one at the next write.
        ::chmod (path.c_str(), (info.st_mode & 07777) & ~othersBits);
    }

    /** Renames, failing with EEXIST where something already has the new name. */
    bool renameWithoutReplacing (const std::string& from, const std::string& to)
    {
        // Where the system has a rename that never replaces, it is used; a file
        // system that cannot do it says so, and the road below is taken.
       #if JUCE_MAC
        if (::renamex_np (from.c_str(), to.c_str(), RENAME_EXCL) == 0)
            return true;

        if (errno != EINVAL && errno != ENOTSUP && errno != ENOSYS)
            return false;
       #elif JUCE_LINUX && defined (RENAME_NOREPLACE)
        if (::renameat2 (AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
            return true;

        if (errno != EINVAL && errno != ENOTSUP && errno != ENOSYS)
            return false;
       #endif

        // A second name, which is never made over an existing one, then the first name goes.
        return ::link (from.c_str(), to.c_str()) == 0 && ::unlink (from.c_str()) == 0;
    }

    /** Makes the folder and every missing folder above it, each owner-only: one
        that others could write to would let them put a folder or link of their
        own in the place of the settings folder.
    */
    bool makeOwnerOnlyFolder (const juce::File& folder)
    {
        struct stat info;

        if (::stat (pathOf (folder).c_str(), &info) == 0)
        {
            if (S_ISDIR (info.st_mode))
                return true;

            errno = ENOTDIR;
            return false;
        }

        const auto parent = folder.getParentDirectory();

        if (parent != folder && ! makeOwnerOnlyFolder (parent))
            return false;

        return ::mkdir (pathOf (folder).c_str(), S_IRWXU) == 0 || errno == EEXIST;
    }

    /** While it lives, a write past the process's file-size limit fails instead of
        ending the process with its temporary file left behind; a handler that
        someone else set for that signal stays.
    */
    struct FileSizeLimitAsError
    {
        FileSizeLimitAsError()
        {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            sigemptyset (&ignore.sa_mask);

            changed = ::sigaction (SIGXFSZ, nullptr, &previous) == 0
                       && previous.sa_handler == SIG_DFL
                       && ::sigaction (SIGXFSZ, &ignore, nullptr) == 0;
        }

        ~FileSizeLimitAsError()
        {
            if (changed)
                ::sigaction (SIGXFSZ, &previous, nullptr);
        }

        struct sigaction previous {};
        bool changed = false;
    };

    /** Writes every byte, going on after a short write; false at the first error. */
    bool writeAll (int fd, const juce::MemoryBlock& bytes)
    {
        auto* data = static_cast<const char*> (bytes.getData());
        auto remaining = bytes.getSize();

        while (remaining > 0)
        {
            const auto written = ::write (fd, data, remaining);

            if (written < 0 && errno == EINTR)
                continue;

            if (written == 0)
                errno = EIO;

            if (written <= 0)
                return false;

            data += written;
            remaining -= (size_t) written;
        }

        return true;
    }

    /** Asks for everything written to the file or folder to reach the disk. */
    bool flushToDisk (int fd)
    {
       #if JUCE_MAC
        // There, fsync leaves the data in the drive's own cache; this asks the
        // drive to write it out. A file system that cannot do it refuses it,
        // and fsync is then the most it offers.
        if (::fcntl (fd, F_FULLFSYNC) == 0)
            return true;
       #endif

        return ::fsync (fd) == 0;
    }

    /** Flushes the folder, so that a rename in it reaches the disk; 0, or the errno of the first failure. */
    int flushFolder (const std::string& folder)
    {
        const auto fd = ::open (folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);

        if (fd < 0)
            return errno;

        const auto error = flushToDisk (fd) ? 0 : errno;
        return ::close (fd) == 0 || error != 0 ? error : errno;
    }

    juce::Result failedBecauseOf (int error)
    {
        return juce::Result::fail (std::strerror (error));
    }
}

//==============================================================================
void restrictSettingsToOwner (const juce::File& settingsFile)
{
    closeToOthers (pathOf (settingsFile.getParentDirectory()), true);
    closeToOthers (pathOf (settingsFile), false);
}

juce::Result keepUnreadableSettingsFile (juce::PropertiesFile& settings)
{
    if (settings.isValidFile())
        return juce::Result::ok();

    std::string target;

    if (! followLinks (pathOf (settings.getFile()), target))
        return failedBecauseOf (errno);

    // Gone since (another instance kept it): the store reads what is there now.
    struct stat info;

    if (::lstat (target.c_str(), &info) != 0)
    {
        settings.reload();
        return juce::Result::ok();
    }

    // Only a file is kept: anything else at the path is never replaced either.
    if (! S_ISREG (info.st_mode))
        return juce::Result::ok();

    for (int i = 0; i < maxKeptCopies; ++i)
    {
        const auto kept = target + ".unreadable" + (i == 0 ? std::string() : "." + std::to_string (i));

        if (renameWithoutReplacing (target, kept))
        {
            writeDiagnosticLine ("The settings file " + settings.getFile().getFullPathName()
                                   + " could not be read; it is kept as " + juce::String (kept) + ".");
            settings.reload();
            return juce::Result::ok();
        }

        if (errno != EEXIST)
            return failedBecauseOf (errno);
    }

    return failedBecauseOf (EEXIST);
}

juce::Result replaceSettingsFile (const juce::File& settingsFile, const juce::MemoryBlock& bytes)
{
    std::string target;

    // The folder was closed to others at start, where it was there already.
    if (! makeOwnerOnlyFolder (settingsFile.getParentDirectory()) || ! followLinks (pathOf (settingsFile), target))
        return failedBecauseOf (errno);

    // A folder, device or anything else but a file at the path is not replaced.
    struct stat info;

    if (::lstat (target.c_str(), &info) == 0 && ! S_ISREG (info.st_mode))
        return S_ISDIR (info.st_mode) ? failedBecauseOf (EISDIR) : juce::Result::fail ("Not a plain file");

    const auto folder = folderOf (target);

    // Owner-only from its creation, whatever the umask: it holds the password.
    // Named after the settings file, not the target, whose name may be long.
    auto temporaryName = folder + "/" + settingsFile.getFileName().toStdString() + ".XXXXXX";
    std::vector<char> temporary (temporaryName.begin(), temporaryName.end());
    temporary.push_back (0);

    const auto fd = ::mkstemp (temporary.data());

    if (fd < 0)
        return failedBecauseOf (errno);

    // The first failure is the one told; the clean-up must not change it.
    auto error = 0;

    {
        const FileSizeLimitAsError fileSizeLimitAsError;

        if (::fchmod (fd, S_IRUSR | S_IWUSR) != 0 || ! writeAll (fd, bytes) || ! flushToDisk (fd))
            error = errno;
    }

    if (::close (fd) != 0 && error == 0)
        error = errno;

    if (error == 0 && ::rename (temporary.data(), target.c_str()) != 0)
        error = errno;

    if (error != 0)
    {
        ::unlink (temporary.data());
        return failedBecauseOf (error);
    }

    // The new file is in place; without this, a power cut could still bring
    // the old one back. Not flushing it loses nothing of what was typed.
    if (const auto flushError = flushFolder (folder))
        writeDiagnosticLine ("Warning: the settings folder " + juce::String (folder)
                               + " could not be flushed to the disk: " + juce::String (std::strerror (flushError)) + ".");

    return juce::Result::ok();
}
