#include "platform/TemporaryFolder.h"

#if JUCE_MAC

juce::File getBuildTemporaryDirectory()
{
    return juce::File::getSpecialLocation (juce::File::tempDirectory);
}

#else

#include <cerrno>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    constexpr mode_t groupAndOtherBits = 077;

    /** True when the path is a real folder (not a link) that belongs to this
        user and that nobody else may enter or change; a folder of ours that
        others could reach is closed first.
    */
    bool isPrivateFolderOfOurs (const juce::File& folder)
    {
        const auto path = folder.getFullPathName().toRawUTF8();
        struct stat info;

        if (::lstat (path, &info) != 0 || ! S_ISDIR (info.st_mode) || info.st_uid != ::geteuid())
            return false;

        if ((info.st_mode & groupAndOtherBits) == 0 && (info.st_mode & S_IRWXU) == S_IRWXU)
            return true;

        // Change the mode through a descriptor of the folder that was checked,
        // so that a link swapped in meanwhile is never changed instead.
        const int fd = ::open (path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);

        if (fd < 0)
            return false;

        struct stat opened;
        const bool ok = ::fstat (fd, &opened) == 0
                         && opened.st_dev == info.st_dev && opened.st_ino == info.st_ino
                         && opened.st_uid == ::geteuid()
                         && ::fchmod (fd, 0700) == 0;
        ::close (fd);
        return ok;
    }

    juce::File makeUniquePrivateFolder (const juce::File& parent, const juce::String& prefix)
    {
        auto pattern = parent.getChildFile (prefix + "-XXXXXX").getFullPathName().toStdString();

        if (::mkdtemp (pattern.data()) == nullptr)
            return {};

        return juce::File (juce::String (juce::CharPointer_UTF8 (pattern.c_str())));
    }
}

juce::File getBuildTemporaryDirectory()
{
    static std::mutex lock;
    static juce::File fallback;

    const std::lock_guard<std::mutex> guard (lock);

    const auto shared = juce::File::getSpecialLocation (juce::File::tempDirectory);
    const auto prefix = "quillmere-" + juce::String ((juce::int64) ::geteuid());
    const auto own = shared.getChildFile (prefix);

    // mkdir never follows a link that stands at the path: it fails instead.
    if (::mkdir (own.getFullPathName().toRawUTF8(), 0700) == 0 || errno == EEXIST)
        if (isPrivateFolderOfOurs (own))
            return own;

    // The usual name is taken by something that is not ours, or by a link:
    // work in a folder of a fresh, unguessable name, kept for this process.
    if (fallback != juce::File() && fallback.isAChildOf (shared) && isPrivateFolderOfOurs (fallback))
        return fallback;

    fallback = makeUniquePrivateFolder (shared, prefix);

    if (fallback != juce::File())
        return fallback;

    // Nothing of our own could be made. If the usual name is still free, whatever
    // is built below it fails for the same reason; if something else stands there,
    // name a folder that can never be created, so that nothing is staged in it.
    struct stat info;

    if (::lstat (own.getFullPathName().toRawUTF8(), &info) != 0)
        return own;

    return juce::File ("/dev/null/" + prefix);
}

#endif
