// One component package per filled bundle row: what pkgbuild is given, what the
// payload tree looks like when it runs, and what the user is told.

#include "tests/BuilderTestTools.h"
#include "tests/PermissionOverride.h"

#include <sys/stat.h>

using namespace builder_testing;

namespace
{
    class ComponentPackageTest  : public RoadTest {};

    Texts expectedPkgbuildArguments (const juce::String& id, const juce::String& version,
                                                 const juce::String& team, const juce::String& packageFileName)
    {
        return { "--root", payloadRoot().getFullPathName(),
                 "--identifier", id,
                 "--version", version,
                 "--sign", "Developer ID Installer: " + team,
                 "--timestamp", stagingFolder().getChildFile (packageFileName).getFullPathName() };
    }
}

//==============================================================================
TEST_F (ComponentPackageTest, OneRowGivesOnePkgbuildRunWithItsRowValues)
{
    addBundle (BundleKind::vst3, "Synth", "com.vostrand.synth", "1.2.0");

    const auto lines = runRoad();

    EXPECT_EQ (tools->calls(), Texts ({ "pkgbuild", "productbuild" }));
    EXPECT_EQ (tools->arguments ("pkgbuild", 1),
               expectedPkgbuildArguments ("com.vostrand.synth.pkg.vst3", "1.2.0", "Jane Doe (ABCDE12345)",
                                          "Synth VST3 v1.2.0.pkg"));

    // The bundle alone, at its install location below the payload root.
    EXPECT_EQ (listTree (tools->payload (1)),
               Texts ({ "Library/", "Library/Audio/", "Library/Audio/Plug-Ins/",
                                    "Library/Audio/Plug-Ins/VST3/", "Library/Audio/Plug-Ins/VST3/Synth.vst3/",
                                    "Library/Audio/Plug-Ins/VST3/Synth.vst3/Contents/",
                                    "Library/Audio/Plug-Ins/VST3/Synth.vst3/Contents/Info.plist",
                                    "Library/Audio/Plug-Ins/VST3/Synth.vst3/Contents/MacOS/",
                                    "Library/Audio/Plug-Ins/VST3/Synth.vst3/Contents/MacOS/binary" }));
    EXPECT_EQ (tools->payload (1).getChildFile ("Library/Audio/Plug-Ins/VST3/Synth.vst3/Contents/MacOS/binary")
                                 .loadFileAsString(), "binary of Synth.vst3");

    const auto package = stagingFolder().getChildFile ("Synth VST3 v1.2.0.pkg");
    EXPECT_TRUE (package.existsAsFile());
    EXPECT_EQ (lines, Texts { "Installer created successfully: " + package.getFullPathName() });
    EXPECT_FALSE (payloadRoot().exists()) << "the payload root is removed after pkgbuild";
    EXPECT_TRUE (alertTexts().empty());
}

TEST_F (ComponentPackageTest, EveryKindIsStagedAtItsInstallLocationUnderItsOwnPackageId)
{
    // Filled in an order unlike the kind order.
    addBundle (BundleKind::vst, "Synth", "com.vostrand.synth.vst", "1.0.4");
    addBundle (BundleKind::app, "Synth", "com.vostrand.synth.app", "1.0.1");
    addBundle (BundleKind::vst3, "Synth", "com.vostrand.synth.vst3", "1.0.3");
    addBundle (BundleKind::au, "Synth", "com.vostrand.synth.au", "1.0.2");

    const auto lines = runRoad();

    EXPECT_EQ (tools->calls(), Texts ({ "pkgbuild", "pkgbuild", "pkgbuild", "pkgbuild", "productbuild" }));

    struct Expected { const char* id; const char* version; const char* file; const char* staged; };
    const Expected expected[] =
    {
        { "com.vostrand.synth.app.pkg.app",   "1.0.1", "Synth App v1.0.1.pkg",  "Applications/Synth.app" },
        { "com.vostrand.synth.au.pkg.au",     "1.0.2", "Synth AU v1.0.2.pkg",   "Library/Audio/Plug-Ins/Components/Synth.component" },
        { "com.vostrand.synth.vst3.pkg.vst3", "1.0.3", "Synth VST3 v1.0.3.pkg", "Library/Audio/Plug-Ins/VST3/Synth.vst3" },
        { "com.vostrand.synth.vst.pkg.vst",   "1.0.4", "Synth VST v1.0.4.pkg",  "Library/Audio/Plug-Ins/VST/Synth.vst" }
    };

    Texts expectedLines;

    for (int i = 0; i < 4; ++i)
    {
        const auto& e = expected[i];
        SCOPED_TRACE (e.file);

        EXPECT_EQ (tools->arguments ("pkgbuild", i + 1),
                   expectedPkgbuildArguments (e.id, e.version, "Jane Doe (ABCDE12345)", e.file));

        // Each run saw only its own bundle: the payload root was emptied before each copy.
        Texts files;

        for (auto& f : listTree (tools->payload (i + 1)))
            if (! f.endsWith ("/"))
                files.push_back (f);

        EXPECT_EQ (files, Texts ({ juce::String (e.staged) + "/Contents/Info.plist",
                                       juce::String (e.staged) + "/Contents/MacOS/binary" }));

        expectedLines.push_back ("Installer created successfully: "
                           + stagingFolder().getChildFile (e.file).getFullPathName());
    }

    EXPECT_EQ (lines, expectedLines);
    EXPECT_EQ (tools->stagingListing (1),
               Texts ({ "Synth AU v1.0.2.pkg", "Synth App v1.0.1.pkg", "Synth VST v1.0.4.pkg",
                                    "Synth VST3 v1.0.3.pkg", "distribution_pkg.xml" }));
}

TEST_F (ComponentPackageTest, ValuesWithSpacesStayOneArgument)
{
    probe->teamEditor().setText ("  Jane Doe (ABCDE12345)  ", false);
    addBundle (BundleKind::au, "My Great Synth", "com.vostrand.my synth", "1.0 beta 2");

    runRoad();

    EXPECT_EQ (tools->arguments ("pkgbuild", 1),
               expectedPkgbuildArguments ("com.vostrand.my synth.pkg.au", "1.0 beta 2", "  Jane Doe (ABCDE12345)  ",
                                          "My Great Synth AU v1.0 beta 2.pkg"));
    EXPECT_TRUE (tools->payload (1).getChildFile ("Library/Audio/Plug-Ins/Components/My Great Synth.component")
                                   .isDirectory());
}

TEST_F (ComponentPackageTest, HostileValuesReachPkgbuildLiterallyAndRunNothing)
{
    const juce::String team ("Jane \"$(touch hacked)\" `touch hacked` \\ $HOME");
    const juce::String id ("com.vostrand.$(touch hacked).\"q\"");
    const juce::String version ("1.0`touch hacked`\\");

    probe->teamEditor().setText (team, false);
    addBundle (BundleKind::vst, "Synth $(touch hacked)", id, version);

    const auto lines = runRoad();

    const auto fileName = "Synth $(touch hacked) VST v" + version + ".pkg";
    EXPECT_EQ (tools->arguments ("pkgbuild", 1), expectedPkgbuildArguments (id + ".pkg.vst", version, team, fileName));
    EXPECT_TRUE (tools->payload (1).getChildFile ("Library/Audio/Plug-Ins/VST/Synth $(touch hacked).vst").isDirectory());
    EXPECT_EQ (lines[0], "Installer created successfully: " + stagingFolder().getChildFile (fileName).getFullPathName());
    EXPECT_FALSE (juce::File::getCurrentWorkingDirectory().getChildFile ("hacked").exists()) << "a value ran as a command";
}

//==============================================================================
TEST_F (ComponentPackageTest, BundleDeletedAfterItWasChosenIsReportedAndTheRoadGoesOn)
{
    auto au = addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "2.0");
    addBundle (BundleKind::vst3, "Synth", "com.vostrand.synth", "2.0");
    auto vst = addBundle (BundleKind::vst, "Synth", "com.vostrand.synth", "2.0");

    au.deleteRecursively();
    vst.deleteRecursively();

    const auto lines = runRoad();

    // Only VST3 reached pkgbuild; the product package was still built.
    EXPECT_EQ (tools->calls(), Texts ({ "pkgbuild", "productbuild" }));
    EXPECT_EQ (tools->option ("pkgbuild", 1, "--identifier"), "com.vostrand.synth.pkg.vst3");
    EXPECT_EQ (lines, Texts { "Installer created successfully: "
                                + stagingFolder().getChildFile ("Synth VST3 v2.0.pkg").getFullPathName() });
    EXPECT_EQ (alertTexts(), Texts ({ "(warning) Error: Failed to copy application to temporary directory.",
                                                  "(warning) Error: Failed to copy application to temporary directory." }));

    // The last failed copy left the payload root with its empty install folder.
    EXPECT_EQ (listTree (payloadRoot()),
               Texts ({ "Library/", "Library/Audio/", "Library/Audio/Plug-Ins/", "Library/Audio/Plug-Ins/VST/" }));
    EXPECT_TRUE (commandField().isNotEmpty());
}

TEST_F (ComponentPackageTest, LeftoverPayloadRootIsRemovedBeforeStaging)
{
    auto stray = payloadRoot().getChildFile ("Applications/Old.app/Contents");
    ASSERT_TRUE (stray.createDirectory().wasOk());
    stray.getChildFile ("Info.plist").replaceWithText ("old");

    addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "1.0");
    runRoad();

    auto files = listTree (tools->payload (1));
    EXPECT_FALSE (contains (files, "Applications/"));
    EXPECT_TRUE (contains (files, "Library/Audio/Plug-Ins/Components/Synth.component/Contents/Info.plist"));
}

TEST_F (ComponentPackageTest, FailingPkgbuildIsReportedAfterTheCleanUp)
{
    tools->setStatus ("pkgbuild", 1);
    addBundle (BundleKind::app, "Synth", "com.vostrand.synth", "1.0");
    addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "1.0");

    const auto lines = runRoad();

    EXPECT_EQ (lines, Texts ({ "Failed to create installer package.", "Failed to create installer package." }));
    EXPECT_FALSE (payloadRoot().exists());
    EXPECT_EQ (tools->calls(), Texts ({ "pkgbuild", "pkgbuild", "productbuild" }));
    EXPECT_TRUE (alertTexts().empty()) << "no dialog for a failed component package";
}

TEST_F (ComponentPackageTest, PayloadRootThatCannotBeRemovedGivesTheWarningBeforeTheOutcome)
{
    // pkgbuild takes away the right to remove entries from the folder around the payload root.
    auto script = tools->binFolder.getChildFile ("pkgbuild");
    auto text = script.loadFileAsString();
    text = text.replace ("exit \"$status\"", "chmod 500 \"$(dirname \"$root\")\"\nexit \"$status\"");
    script.replaceWithText (text, false, false, "\n");
    script.setExecutePermission (true);

    addBundle (BundleKind::vst, "Synth", "com.vostrand.synth", "1.0");
    Texts lines;

    {
        testing_helpers::WithoutPermissionOverride asAnOrdinaryUser;
        lines = runRoad();
    }

    ::chmod (payloadRoot().getParentDirectory().getFullPathName().toRawUTF8(), 0700);

    EXPECT_EQ (lines, Texts ({ "Warning: Failed to clean up temporary directory.",
                               "Installer created successfully: "
                                 + stagingFolder().getChildFile ("Synth VST v1.0.pkg").getFullPathName() }));
    EXPECT_TRUE (payloadRoot().exists());
}

TEST_F (ComponentPackageTest, ABundleWithReadOnlyFoldersIsRemovedBeforeTheNextRow)
{
    auto au = addBundle (BundleKind::au, "Synth", "com.vostrand.synth.au", "1.0");
    addBundle (BundleKind::vst3, "Synth", "com.vostrand.synth.vst3", "1.0");

    auto locked = au.getChildFile ("Contents/Resources");
    locked.createDirectory();
    locked.getChildFile ("preset.xml").replaceWithText ("<preset/>");
    ::chmod (locked.getFullPathName().toRawUTF8(), 0555);
    ::chmod (au.getChildFile ("Contents").getFullPathName().toRawUTF8(), 0555);

    Texts lines;

    {
        testing_helpers::WithoutPermissionOverride asAnOrdinaryUser;
        lines = runRoad();
    }

    ::chmod (au.getChildFile ("Contents").getFullPathName().toRawUTF8(), 0755);
    ::chmod (locked.getFullPathName().toRawUTF8(), 0755);

    ASSERT_EQ (lines.size(), 2u);
    EXPECT_TRUE (lines[0].startsWith ("Installer created successfully: "));
    EXPECT_TRUE (lines[1].startsWith ("Installer created successfully: "));

    // The AU bundle arrived whole, and was gone before the VST3 bundle was staged.
    EXPECT_TRUE (contains (listTree (tools->payload (1)),
                           "Library/Audio/Plug-Ins/Components/Synth.component/Contents/Resources/preset.xml"));
    EXPECT_FALSE (contains (listTree (tools->payload (2)), "Library/Audio/Plug-Ins/Components/"));
    EXPECT_FALSE (payloadRoot().exists());
}

TEST_F (ComponentPackageTest, AVersionThatWouldLeaveTheStagingFolderBuildsNothing)
{
    // A bundle's version string with path separators in it.
    addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "1.0/../../../escaped");
    addBundle (BundleKind::vst3, "Synth", "com.vostrand.synth", "1.0");

    const auto lines = runRoad();

    EXPECT_EQ (lines, Texts ({ "Failed to create installer package.",
                               "Installer created successfully: "
                                 + stagingFolder().getChildFile ("Synth VST3 v1.0.pkg").getFullPathName() }));
    EXPECT_EQ (tools->calls(), Texts ({ "pkgbuild", "productbuild" }));
    EXPECT_EQ (tools->option ("pkgbuild", 1, "--version"), "1.0");
    EXPECT_EQ (stagingFolder().getParentDirectory().getParentDirectory()
                 .findChildFiles (juce::File::findFiles, false, "escaped*").size(), 0);
}
