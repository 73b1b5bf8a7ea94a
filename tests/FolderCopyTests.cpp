// The staging copy of a bundle: what arrives at the destination, and when the
// copy refuses or fails.

#include <juce_core/juce_core.h>
#include <gtest/gtest.h>

#include "platform/FolderCopy.h"
#include "tests/FormProbe.h"

#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/PermissionOverride.h"

namespace
{
    using testing_helpers::ScratchFolder;

    const char* pathOf (const juce::File& f)     { return f.getFullPathName().toRawUTF8(); }

    void writeBytes (const juce::File& file, const juce::MemoryBlock& data, mode_t mode)
    {
        file.getParentDirectory().createDirectory();

        if (data.isEmpty())
            ASSERT_TRUE (file.create().wasOk());
        else
            ASSERT_TRUE (file.replaceWithData (data.getData(), data.getSize()));

        ASSERT_EQ (::chmod (pathOf (file), mode), 0) << file.getFullPathName();
    }

    void makeLink (const juce::File& link, const juce::String& target)
    {
        ASSERT_EQ (::symlink (target.toRawUTF8(), pathOf (link)), 0);
    }

    juce::MemoryBlock randomBytes (size_t size, juce::int64 seed)
    {
        juce::Random random (seed);
        juce::MemoryBlock block (size);

        for (size_t i = 0; i < size; ++i)
            static_cast<char*> (block.getData())[i] = (char) random.nextInt (256);

        return block;
    }

    /** 64-bit FNV-1a over all the bytes. */
    juce::String fingerprint (const juce::MemoryBlock& data)
    {
        juce::uint64 hash = 0xcbf29ce484222325ull;

        for (size_t i = 0; i < data.getSize(); ++i)
        {
            hash ^= (juce::uint8) data[i];
            hash *= 0x100000001b3ull;
        }

        return juce::String::toHexString ((juce::int64) hash);
    }

    /** Everything below a folder, as seen without following links: for each
        relative path its type, its permission bits, and its bytes or link text.
    */
    std::map<juce::String, juce::String> describeTree (const juce::File& root)
    {
        std::map<juce::String, juce::String> result;
        juce::Array<juce::File> pending { root };

        while (! pending.isEmpty())
        {
            const auto folder = pending.removeAndReturn (0);

            for (auto& child : folder.findChildFiles (juce::File::findFilesAndDirectories, false, "*",
                                                      juce::File::FollowSymlinks::no))
            {
                struct stat info;

                if (::lstat (pathOf (child), &info) != 0)
                    continue;

                const auto mode = juce::String::toHexString ((int) (info.st_mode & 07777));
                const auto relative = child.getRelativePathFrom (root);

                if (S_ISLNK (info.st_mode))
                {
                    char target[4096] = {};
                    const auto length = ::readlink (pathOf (child), target, sizeof (target) - 1);
                    result[relative] = "link -> " + juce::String::fromUTF8 (target, (int) std::max<ssize_t> (length, 0));
                }
                else if (S_ISDIR (info.st_mode))
                {
                    result[relative] = "folder " + mode;
                    pending.add (child);
                }
                else
                {
                    juce::MemoryBlock data;
                    child.loadFileAsData (data);
                    result[relative] = "file " + mode + " " + juce::String ((juce::int64) data.getSize())
                                         + " " + fingerprint (data);
                }
            }
        }

        return result;
    }

    /** A plug-in bundle with the things a real one holds: nested folders, an
        executable, a framework with its version links, read-only parts, an
        empty folder and file, and names with spaces and accents.
    */
    juce::File makeRichBundle (const juce::File& parent)
    {
        auto bundle = parent.getChildFile ("Rich Synth.vst3");
        auto contents = bundle.getChildFile ("Contents");

        writeBytes (contents.getChildFile ("Info.plist"), juce::MemoryBlock ("<plist/>", 8), 0644);
        writeBytes (contents.getChildFile ("MacOS/Rich Synth"), randomBytes (3 * 1024 * 1024 + 17, 1), 0755);
        writeBytes (contents.getChildFile (juce::String::fromUTF8 ("Resources/presets/Caf\xc3\xa9 pad.preset")), randomBytes (4097, 2), 0640);
        writeBytes (contents.getChildFile ("Resources/readonly.txt"), juce::MemoryBlock ("read only", 9), 0444);
        writeBytes (contents.getChildFile ("Resources/empty.bin"), juce::MemoryBlock(), 0600);
        writeBytes (contents.getChildFile ("Resources/locked/inside.txt"), juce::MemoryBlock ("inside", 6), 0644);
        writeBytes (contents.getChildFile ("Helpers/run.sh"), juce::MemoryBlock ("#!/bin/sh\n", 10), 0700);
        contents.getChildFile ("Resources/empty folder").createDirectory();

        auto framework = contents.getChildFile ("Frameworks/Engine.framework");
        writeBytes (framework.getChildFile ("Versions/A/Engine"), randomBytes (70000, 3), 0755);
        makeLink (framework.getChildFile ("Versions/Current"), "A");
        makeLink (framework.getChildFile ("Engine"), "Versions/Current/Engine");

        // Links that lead out of the bundle or nowhere arrive as the same links.
        makeLink (contents.getChildFile ("Resources/outside"), parent.getChildFile ("outside").getFullPathName());
        makeLink (contents.getChildFile ("Resources/dangling"), "../no/such/file");

        ::chmod (pathOf (contents.getChildFile ("Resources/locked")), 0555);
        ::chmod (pathOf (contents.getChildFile ("Helpers")), 0750);
        return bundle;
    }


    bool canOpen (const juce::File& item)
    {
        const auto fd = ::open (pathOf (item), O_RDONLY | O_NONBLOCK);

        if (fd < 0)
            return false;

        ::close (fd);
        return true;
    }
}

//==============================================================================
TEST (FolderCopy, StagedBundleHasTheSameFilesBytesModesAndLinks)
{
    ScratchFolder scratch;
    auto outside = scratch.folder.getChildFile ("outside");
    writeBytes (outside.getChildFile ("secret.txt"), juce::MemoryBlock ("not part of the bundle", 22), 0644);

    const auto source = makeRichBundle (scratch.folder);
    const auto staged = scratch.folder.getChildFile ("createPkgTemp/Library/Audio/Plug-Ins/VST3/Rich Synth.vst3");
    ASSERT_TRUE (staged.getParentDirectory().createDirectory());

    ASSERT_TRUE (copyBundle (source, staged));

    const auto expected = describeTree (source);
    const auto actual = describeTree (staged);
    EXPECT_EQ (actual, expected);
    EXPECT_GE (expected.size(), (size_t) 17);

    // Links arrive as links with the same text; none was followed out of the bundle.
    EXPECT_TRUE (staged.getChildFile ("Contents/Frameworks/Engine.framework/Versions/Current").isSymbolicLink());
    EXPECT_TRUE (staged.getChildFile ("Contents/Frameworks/Engine.framework/Engine").existsAsFile());
    EXPECT_TRUE (staged.getChildFile ("Contents/Resources/outside").isSymbolicLink());
    EXPECT_EQ (actual.at ("Contents/Resources/outside"), "link -> " + outside.getFullPathName());
    EXPECT_EQ (actual.at ("Contents/Resources/dangling"), "link -> ../no/such/file");

    // The bundle folder itself keeps its mode, and the executable stays executable.
    struct stat info;
    ASSERT_EQ (::stat (pathOf (staged.getChildFile ("Contents/MacOS/Rich Synth")), &info), 0);
    EXPECT_EQ (info.st_mode & 0777, 0755u);
    ASSERT_EQ (::stat (pathOf (staged.getChildFile ("Contents/Resources/locked")), &info), 0);
    EXPECT_EQ (info.st_mode & 0777, 0555u);

    // Copying again into a fresh place gives the same result: nothing in the
    // source was changed by the first copy.
    EXPECT_EQ (describeTree (source), expected);
}

TEST (FolderCopy, BundleChosenThroughALinkIsCopiedAsTheBundle)
{
    ScratchFolder scratch;
    const auto source = testing_helpers::makeBundle (scratch.folder, "Real.component", "<plist/>");
    const auto link = scratch.folder.getChildFile ("Chosen.component");
    makeLink (link, source.getFullPathName());

    const auto staged = scratch.folder.getChildFile ("stage/Chosen.component");
    ASSERT_TRUE (staged.getParentDirectory().createDirectory());

    ASSERT_TRUE (copyBundle (link, staged));
    EXPECT_FALSE (staged.isSymbolicLink());
    EXPECT_TRUE (staged.isDirectory());
    EXPECT_EQ (describeTree (staged), describeTree (source));
}

TEST (FolderCopy, MissingSourceFailsAndLeavesTheDestinationAlone)
{
    ScratchFolder scratch;
    const auto destination = scratch.folder.getChildFile ("Staged.vst");
    ASSERT_TRUE (destination.replaceWithText ("already here"));

    EXPECT_FALSE (copyBundle (scratch.folder.getChildFile ("Gone.vst"), destination));
    EXPECT_FALSE (copyBundle (juce::File(), destination));
    EXPECT_EQ (destination.loadFileAsString(), "already here");

    const auto fresh = scratch.folder.getChildFile ("Fresh.vst");
    EXPECT_FALSE (copyBundle (scratch.folder.getChildFile ("Gone.vst"), fresh));
    EXPECT_FALSE (fresh.exists());
}

TEST (FolderCopy, WhatStandsAtTheDestinationIsReplacedOnlyWhenItCanGoWithoutRecursing)
{
    ScratchFolder scratch;
    const auto source = testing_helpers::makeBundle (scratch.folder, "Synth.vst3", "<plist/>");
    const auto expected = describeTree (source);
    auto stage = scratch.folder.getChildFile ("stage");

    // An empty folder is replaced.
    auto emptyFolder = stage.getChildFile ("a/Synth.vst3");
    ASSERT_TRUE (emptyFolder.createDirectory());
    EXPECT_TRUE (copyBundle (source, emptyFolder));
    EXPECT_EQ (describeTree (emptyFolder), expected);

    // A file is replaced.
    auto file = stage.getChildFile ("b/Synth.vst3");
    ASSERT_TRUE (file.create());
    ASSERT_TRUE (file.replaceWithText ("old"));
    EXPECT_TRUE (copyBundle (source, file));
    EXPECT_TRUE (file.isDirectory());
    EXPECT_EQ (describeTree (file), expected);

    // A link is replaced itself; the folder it points at is left as it was.
    auto elsewhere = scratch.folder.getChildFile ("elsewhere");
    ASSERT_TRUE (elsewhere.getChildFile ("keep.txt").create());
    auto link = stage.getChildFile ("c/Synth.vst3");
    ASSERT_TRUE (link.getParentDirectory().createDirectory());
    makeLink (link, elsewhere.getFullPathName());
    EXPECT_TRUE (copyBundle (source, link));
    EXPECT_FALSE (link.isSymbolicLink());
    EXPECT_EQ (describeTree (link), expected);
    EXPECT_EQ (describeTree (elsewhere).size(), (size_t) 1);

    // A folder with something in it is not removed: the copy fails and the
    // folder keeps its contents.
    auto full = stage.getChildFile ("d/Synth.vst3");
    ASSERT_TRUE (full.getChildFile ("Contents/left-over.txt").create());
    EXPECT_FALSE (copyBundle (source, full));
    EXPECT_TRUE (full.getChildFile ("Contents/left-over.txt").existsAsFile());
    EXPECT_EQ (describeTree (full).size(), (size_t) 2);
}

TEST (FolderCopy, SamePathCountsAsDoneWithoutCopying)
{
    ScratchFolder scratch;
    const auto source = testing_helpers::makeBundle (scratch.folder, "Synth.vst3", "<plist/>");
    const auto before = describeTree (source);

    EXPECT_TRUE (copyBundle (source, source));
    EXPECT_TRUE (copyBundle (source, juce::File (source.getFullPathName() + "/")));
    EXPECT_EQ (describeTree (source), before);

    // Where letter case tells names apart, a path that differs only in case is
    // another place, and the bundle is really copied there.
    const auto otherCase = scratch.folder.getChildFile ("SYNTH.vst3");

    if (! otherCase.exists())
    {
        EXPECT_TRUE (copyBundle (source, otherCase));
        EXPECT_EQ (describeTree (otherCase), before);
    }
    else
    {
        EXPECT_TRUE (copyBundle (source, otherCase));
        EXPECT_EQ (describeTree (source), before);
    }
}

TEST (FolderCopy, PartThatCannotBeCopiedFailsTheCopyAndLeavesNoHalfCopy)
{
    ScratchFolder scratch;
    auto stage = scratch.folder.getChildFile ("stage");
    ASSERT_TRUE (stage.createDirectory());

    // A pipe has no place in a bundle, and reading it would hang.
    {
        const auto source = testing_helpers::makeBundle (scratch.folder, "Piped.vst3", "<plist/>");
        ASSERT_EQ (::mkfifo (pathOf (source.getChildFile ("Contents/zz-pipe")), 0644), 0);

        EXPECT_FALSE (copyBundle (source, stage.getChildFile ("Piped.vst3")));
        EXPECT_FALSE (stage.getChildFile ("Piped.vst3").exists());
    }

   #if defined (__linux__)
    // A file and a folder that may not be read.
    for (const juce::String lockedPart : { "Contents/Resources/sealed.bin", "Contents/Resources/sealed folder" })
    {
        const auto parent = scratch.folder.getChildFile ("sources").getNonexistentChildFile ("source", {}, false);
        const auto source = makeRichBundle (parent);
        auto locked = source.getChildFile (lockedPart);

        if (lockedPart.endsWith (".bin"))
            writeBytes (locked, randomBytes (1000, 4), 0644);
        else
            writeBytes (locked.getChildFile ("inside.bin"), randomBytes (1000, 5), 0644);

        ASSERT_EQ (::chmod (pathOf (locked), 0000), 0);

        const auto staged = stage.getChildFile ("Locked.vst3");
        bool copied = true;
        bool readable = false;

        {
            testing_helpers::WithoutPermissionOverride asAnOrdinaryUser;
            readable = canOpen (locked);

            if (! readable)
                copied = copyBundle (source, staged);
        }

        ::chmod (pathOf (locked), 0755);

        if (readable)
        {
            GTEST_SKIP() << "this process can read a file of mode 0 and cannot give that up";
        }

        EXPECT_FALSE (copied) << lockedPart;
        EXPECT_FALSE (staged.exists()) << lockedPart;
        EXPECT_EQ (stage.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0) << lockedPart;
    }
   #endif
}

TEST (FolderCopy, FolderIsNotCopiedIntoItself)
{
    ScratchFolder scratch;
    const auto source = testing_helpers::makeBundle (scratch.folder, "Synth.vst3", "<plist/>");
    const auto before = describeTree (source);

    EXPECT_FALSE (copyBundle (source, source.getChildFile ("Contents/Synth.vst3")));
    EXPECT_EQ (describeTree (source), before);
}

TEST (FolderCopy, PlainFileIsCopiedAsAFileWithItsMode)
{
    ScratchFolder scratch;
    const auto source = scratch.folder.getChildFile ("tool");
    writeBytes (source, randomBytes (100000, 6), 0751);
    const auto destination = scratch.folder.getChildFile ("copy/tool");
    ASSERT_TRUE (destination.getParentDirectory().createDirectory());

    EXPECT_TRUE (copyBundle (source, destination));
    EXPECT_EQ (describeTree (destination.getParentDirectory()).at ("tool"), describeTree (scratch.folder).at ("tool"));
}
