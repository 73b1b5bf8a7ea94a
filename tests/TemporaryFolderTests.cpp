// The folder that holds the staging folder and the payload root: private to
// the user, and never a folder or link that someone else planted.

#include <juce_core/juce_core.h>
#include <gtest/gtest.h>

#include "platform/TemporaryFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#if ! JUCE_MAC

namespace
{
    const char* pathOf (const juce::File& f)     { return f.getFullPathName().toRawUTF8(); }

    juce::File sharedTemporaryFolder()
    {
        return juce::File::getSpecialLocation (juce::File::tempDirectory);
    }

    juce::File usualFolder()
    {
        return sharedTemporaryFolder().getChildFile ("quillmere-" + juce::String ((juce::int64) ::geteuid()));
    }

    void removeWhateverIsAt (const juce::File& f)
    {
        if (f.isSymbolicLink() || f.existsAsFile())
            ::unlink (pathOf (f));
        else
            f.deleteRecursively();
    }

    /** True when the folder is a real folder of ours that only we may use. */
    void expectPrivateFolderOfOurs (const juce::File& folder)
    {
        struct stat info;
        ASSERT_EQ (::lstat (pathOf (folder), &info), 0) << folder.getFullPathName();
        EXPECT_TRUE (S_ISDIR (info.st_mode));
        EXPECT_EQ (info.st_uid, ::geteuid());
        EXPECT_EQ (info.st_mode & 0777, 0700u);
        EXPECT_TRUE (folder.isAChildOf (sharedTemporaryFolder()));
    }

    mode_t modeOf (const juce::File& f)
    {
        struct stat info {};
        ::lstat (pathOf (f), &info);
        return info.st_mode & 07777;
    }

    /** Each case starts and ends with nothing at the usual name, so that the
        other tests of this process find a normal state.
    */
    struct TemporaryFolder  : public testing::Test
    {
        void SetUp() override       { removeWhateverIsAt (usualFolder()); }
        void TearDown() override    { removeWhateverIsAt (usualFolder()); }
    };
}

TEST_F (TemporaryFolder, IsAPrivateFolderOfTheUserThatIsReused)
{
    const auto folder = getBuildTemporaryDirectory();

    EXPECT_EQ (folder, usualFolder());
    expectPrivateFolderOfOurs (folder);

    // What the builder puts inside stays there for the next call.
    ASSERT_TRUE (folder.getChildFile ("createInstallerTemp").createDirectory());
    EXPECT_EQ (getBuildTemporaryDirectory(), folder);
    EXPECT_TRUE (folder.getChildFile ("createInstallerTemp").isDirectory());
    expectPrivateFolderOfOurs (folder);
}

TEST_F (TemporaryFolder, FolderOfOursThatOthersCouldEnterIsClosedBeforeUse)
{
    ASSERT_TRUE (usualFolder().createDirectory());
    ASSERT_EQ (::chmod (pathOf (usualFolder()), 0777), 0);

    EXPECT_EQ (getBuildTemporaryDirectory(), usualFolder());
    expectPrivateFolderOfOurs (usualFolder());
}

TEST_F (TemporaryFolder, PlantedLinkIsNotFollowed)
{
    // Someone else's folder, open to all, and a link to it under the usual name.
    auto planted = sharedTemporaryFolder().getChildFile ("planted-target");
    ASSERT_TRUE (planted.createDirectory());
    ASSERT_EQ (::chmod (pathOf (planted), 0777), 0);
    ASSERT_EQ (::symlink (pathOf (planted), pathOf (usualFolder())), 0);

    const auto folder = getBuildTemporaryDirectory();

    EXPECT_NE (folder, usualFolder());
    EXPECT_NE (folder, planted);
    expectPrivateFolderOfOurs (folder);

    // The link and the folder it points at are left as they were.
    EXPECT_TRUE (usualFolder().isSymbolicLink());
    EXPECT_EQ (modeOf (planted), 0777u);
    EXPECT_EQ (planted.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);

    // Asked again while the link is there, the same private folder is used.
    EXPECT_EQ (getBuildTemporaryDirectory(), folder);

    planted.deleteRecursively();
}

TEST_F (TemporaryFolder, FileAtTheUsualNameIsNotUsed)
{
    ASSERT_TRUE (usualFolder().replaceWithText ("not a folder"));

    const auto folder = getBuildTemporaryDirectory();

    EXPECT_NE (folder, usualFolder());
    expectPrivateFolderOfOurs (folder);
    EXPECT_EQ (usualFolder().loadFileAsString(), "not a folder");
}

TEST_F (TemporaryFolder, FolderOfAnotherUserIsNotUsed)
{
    ASSERT_TRUE (usualFolder().createDirectory());
    ASSERT_EQ (::chmod (pathOf (usualFolder()), 0755), 0);

    if (::chown (pathOf (usualFolder()), 65534, 65534) != 0)
        GTEST_SKIP() << "only the super-user can give a folder to another user";

    const auto folder = getBuildTemporaryDirectory();

    EXPECT_NE (folder, usualFolder());
    expectPrivateFolderOfOurs (folder);

    // The other user's folder keeps its mode.
    EXPECT_EQ (modeOf (usualFolder()), 0755u);
}

#endif
