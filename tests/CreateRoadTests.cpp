// The Create road as a whole: the destination chooser, the checks on its
// answer, the staging folder, and the notarization command that a successful
// road leaves in its field.

#include "tests/BuilderTestTools.h"

using namespace builder_testing;

namespace
{
    class CreateRoadTest  : public RoadTest
    {
    protected:
        /** A staging folder as an earlier road left it. */
        juce::File makeEarlierStagingFolder()
        {
            stagingFolder().createDirectory();
            auto earlier = stagingFolder().getChildFile ("Earlier AU v0.9.pkg");
            earlier.replaceWithText ("earlier package");
            return earlier;
        }

        static juce::String expectedCommand (const juce::String& package, const juce::String& profile)
        {
            return "xcrun notarytool submit \"" + package + "\""
                   " --keychain-profile \"" + profile + "\""
                   " --wait"
                   " && "
                   "xcrun stapler staple -v \"" + package + "\""
                   " && "
                   "ditto -c -k -rsrc --sequesterRsrc"
                   " \"" + package + "\""
                   " \"" + package + ".zip\"";
        }

        /** The framework's own chooser dialog, while it is open. */
        static juce::Component* findChooserWindow()
        {
            for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
                if (auto* window = juce::TopLevelWindow::getTopLevelWindow (i))
                    if (window->getName() == "Select a folder to save the installer.")
                        return window;

            return nullptr;
        }

        /** Presses the way "Create" does and waits for the chooser dialog to open;
            nullptr when the dialog is a program of its own on this machine.
        */
        juce::Component* openDestinationChooser()
        {
            addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "1.0");
            form->createInstaller();

            for (int i = 0; i < 100 && findChooserWindow() == nullptr; ++i)
                testing_helpers::pump (20);

            return findChooserWindow();
        }

        /** Runs the message loop until the dialog's answer has come through. */
        static void waitForTheAnswer (const DiagnosticCapture& capture)
        {
            for (int i = 0; i < 40 && findChooserWindow() != nullptr; ++i)
                testing_helpers::pump (25);

            for (int i = 0; i < 40 && capture.lines().empty(); ++i)
                testing_helpers::pump (25);
        }
    };
}

//==============================================================================
TEST_F (CreateRoadTest, CancelledDialogWritesOneLineAndTouchesNothing)
{
    addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "1.0");
    auto earlier = makeEarlierStagingFolder();
    probe->notarizationCommandEditor().setText ("earlier command", false);

    EXPECT_EQ (runRoad (juce::File()), Texts { "User cancelled the save dialog." });

    EXPECT_TRUE (tools->calls().empty());
    EXPECT_EQ (earlier.loadFileAsString(), "earlier package");
    EXPECT_EQ (commandField(), "earlier command");
    EXPECT_TRUE (alertTexts().empty());
}

TEST_F (CreateRoadTest, DestinationThatIsNoFolderWritesOneLineAndTouchesNothing)
{
    addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "1.0");
    auto earlier = makeEarlierStagingFolder();
    probe->notarizationCommandEditor().setText ("earlier command", false);

    auto vanished = scratch.folder.getChildFile ("Vanished");
    vanished.createDirectory();
    vanished.deleteRecursively();

    auto plainFile = scratch.folder.getChildFile ("a file");
    plainFile.replaceWithText ("not a folder");

    for (auto& chosen : { vanished, plainFile })
        EXPECT_EQ (runRoad (chosen), Texts { "Selected target is not a directory." });

    EXPECT_TRUE (tools->calls().empty());
    EXPECT_EQ (earlier.loadFileAsString(), "earlier package");
    EXPECT_EQ (commandField(), "earlier command");
    EXPECT_FALSE (vanished.exists());
}

TEST_F (CreateRoadTest, StagingFolderThatCannotBeCreatedEndsTheRoad)
{
    addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "1.0");
    probe->notarizationCommandEditor().setText ("earlier command", false);

    // A temporary directory below a plain file: no folder can be made there.
    auto plainFile = scratch.folder.getChildFile ("plain");
    plainFile.replaceWithText ("x");
    const juce::String previousTmp (std::getenv ("TMPDIR"));
    setenv ("TMPDIR", plainFile.getChildFile ("tmp").getFullPathName().toRawUTF8(), 1);

    const auto staging = stagingFolder();
    const auto lines = runRoad();

    setenv ("TMPDIR", previousTmp.toRawUTF8(), 1);

    EXPECT_TRUE (staging.getFullPathName().startsWith (plainFile.getFullPathName()));
    EXPECT_EQ (lines, Texts { "Failed to create directory hierarchy: " + staging.getFullPathName() });
    EXPECT_TRUE (tools->calls().empty());
    EXPECT_EQ (commandField(), "earlier command");
    EXPECT_TRUE (alertTexts().empty());
}

//==============================================================================
TEST_F (CreateRoadTest, SuccessfulRoadPutsTheNotarizationCommandIntoItsField)
{
    probe->keychainProfileEditor().setText ("My Notary Profile", false);
    addBundle (BundleKind::vst3, "Synth", "com.vostrand.synth", "1.0");

    const auto lines = runRoad();

    const auto package = destination.getChildFile ("My Great Synth.pkg").getFullPathName();
    EXPECT_EQ (commandField(), expectedCommand (package, "My Notary Profile"));
    EXPECT_EQ (commandField().length(),
               juce::String ("xcrun notarytool submit \"").length() + package.length() + 1
                 + juce::String (" --keychain-profile \"").length() + juce::String ("My Notary Profile").length() + 1
                 + juce::String (" --wait").length() + 4
                 + juce::String ("xcrun stapler staple -v \"").length() + package.length() + 1 + 4
                 + juce::String ("ditto -c -k -rsrc --sequesterRsrc").length()
                 + 2 + package.length() + 1 + 2 + package.length() + 4 + 1);
    EXPECT_FALSE (commandField().containsChar ('\n'));

    // Success shows nothing else: the component package line only.
    EXPECT_EQ (lines.size(), 1u);
    EXPECT_TRUE (alertTexts().empty());
    EXPECT_EQ (tools->calls(), Texts ({ "pkgbuild", "productbuild" }));
}

TEST_F (CreateRoadTest, TwoRoadsInARowReplaceTheStagingFolderAndTheCommand)
{
    addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "1.0");
    auto earlier = makeEarlierStagingFolder();

    runRoad();
    EXPECT_FALSE (earlier.exists()) << "the staging folder is emptied before a road";
    const auto first = commandField();
    EXPECT_TRUE (stagingFolder().getChildFile ("Synth AU v1.0.pkg").existsAsFile());

    form->setAuPath ({});
    addBundle (BundleKind::vst, "Other", "com.vostrand.other", "2.0");
    probe->productNameEditor().setText ("Other Product", false);
    probe->keychainProfileEditor().setText ("second", false);

    runRoad();

    EXPECT_EQ (commandField(), expectedCommand (destination.getChildFile ("Other Product.pkg").getFullPathName(), "second"));
    EXPECT_NE (commandField(), first);

    auto staged = listTree (stagingFolder());
    EXPECT_EQ (staged, Texts ({ "Other VST v2.0.pkg", "distribution_pkg.xml" }));
    EXPECT_FALSE (juce::String (stagingFolder().getChildFile ("distribution_pkg.xml").loadFileAsString()).contains ("pkg.au"));
}

TEST_F (CreateRoadTest, NotarizationCommandKeepsSpacesAndRunsAsThreeCommands)
{
    probe->productNameEditor().setText ("My Great Synth", false);
    probe->keychainProfileEditor().setText ("AC notary profile", false);
    addBundle (BundleKind::app, "Synth", "com.vostrand.synth", "1.0");

    runRoad();

    const auto package = destination.getChildFile ("My Great Synth.pkg").getFullPathName();
    EXPECT_EQ (commandField(),
               "xcrun notarytool submit \"" + package + "\" --keychain-profile \"AC notary profile\" --wait"
               " && xcrun stapler staple -v \"" + package + "\""
               " && ditto -c -k -rsrc --sequesterRsrc \"" + package + "\" \"" + package + ".zip\"");
}

TEST_F (CreateRoadTest, HostileValuesReachTheToolsLiterallyAndTheCommandRunsNothing)
{
    const juce::String team ("Jane \"Q\" $(touch hacked) `touch hacked` \\");
    const juce::String product ("Synth $(touch hacked) \"pro\" `touch hacked` \\ $HOME");
    const juce::String profile ("prof\"ile $(touch hacked) `touch hacked` \\ ${PATH}");
    const juce::String id ("com.$(touch hacked).`touch hacked`");
    const juce::String version ("1.0\"$(touch hacked)\\");

    probe->teamEditor().setText (team, false);
    probe->productNameEditor().setText (product, false);
    probe->keychainProfileEditor().setText (profile, false);
    addBundle (BundleKind::app, "Synth", id, version);

    runRoad();

    const auto marker = juce::File::getCurrentWorkingDirectory().getChildFile ("hacked");
    EXPECT_FALSE (marker.exists()) << "a value ran as a command";

    EXPECT_EQ (tools->option ("pkgbuild", 1, "--identifier"), id + ".pkg.app");
    EXPECT_EQ (tools->option ("pkgbuild", 1, "--version"), version);
    EXPECT_EQ (tools->option ("pkgbuild", 1, "--sign"), "Developer ID Installer: " + team);
    EXPECT_EQ (tools->option ("productbuild", 1, "--sign"), "Developer ID Installer: " + team);

    const auto package = destination.getChildFile (product + ".pkg").getFullPathName();
    EXPECT_EQ (tools->option ("productbuild", 1, "--output"), package);
    EXPECT_TRUE (juce::File (package).existsAsFile());

    // The command, pasted into a shell where xcrun and ditto only record what they get.
    auto record = scratch.folder.getChildFile ("notarization-record");
    const auto to = " >> '" + record.getFullPathName() + "'; }\n";
    juce::ChildProcess shell;
    ASSERT_TRUE (shell.start (juce::StringArray { "/bin/sh", "-c",
                                                  "xcrun() { printf '%s\\0' xcrun \"$@\"" + to
                                                  + "ditto() { printf '%s\\0' ditto \"$@\"" + to
                                                  + commandField() }));
    shell.waitForProcessToFinish (10000);

    EXPECT_EQ (readNulSeparated (record),
               Texts ({ "xcrun", "notarytool", "submit", package, "--keychain-profile", profile, "--wait",
                                    "xcrun", "stapler", "staple", "-v", package,
                                    "ditto", "-c", "-k", "-rsrc", "--sequesterRsrc", package, package + ".zip" }));
    EXPECT_FALSE (marker.exists()) << "the notarization command ran a value";
}

TEST_F (CreateRoadTest, PathsWithSpacesAndQuotesInTheTemporaryFolderStayOneArgument)
{
    // The payload root and the definition go onto the command lines unquoted when
    // they are plain; a temporary folder with a space or a quote must not split them.
    auto odd = scratch.folder.getChildFile ("tmp dir 'q' $x");
    ASSERT_TRUE (odd.createDirectory().wasOk());
    const juce::String previousTmp (std::getenv ("TMPDIR"));
    setenv ("TMPDIR", odd.getFullPathName().toRawUTF8(), 1);

    addBundle (BundleKind::vst, "Synth", "com.vostrand.synth", "1.0");
    runRoad();

    setenv ("TMPDIR", previousTmp.toRawUTF8(), 1);

    const auto base = odd;
    ASSERT_EQ (tools->count ("pkgbuild"), 1);
    EXPECT_TRUE (tools->option ("pkgbuild", 1, "--root").startsWith (base.getFullPathName()));
    EXPECT_TRUE (tools->option ("pkgbuild", 1, "--root").endsWith ("/createPkgTemp"));
    EXPECT_TRUE (tools->option ("productbuild", 1, "--distribution").endsWith ("/createInstallerTemp/distribution_pkg.xml"));
    EXPECT_TRUE (tools->option ("productbuild", 1, "--distribution").startsWith (base.getFullPathName()));
    EXPECT_TRUE (tools->payload (1).getChildFile ("Library/Audio/Plug-Ins/VST/Synth.vst/Contents/Info.plist").existsAsFile());
    EXPECT_TRUE (tools->distribution (1).existsAsFile());
    EXPECT_TRUE (commandField().isNotEmpty());
}

TEST_F (CreateRoadTest, NamesBeginningWithATildeStayInsideTheirFolders)
{
    // The framework reads a name beginning with "~" as a path from a home folder.
    probe->productNameEditor().setText ("~Synth", false);
    probe->keychainProfileEditor().setText ("profile", false);
    addBundle (BundleKind::vst3, "./~Fx", "com.vostrand.fx", "1");

    const auto lines = runRoad();

    const auto componentPackage = stagingFolder().getFullPathName() + "/~Fx VST3 v1.pkg";
    const auto package = destination.getFullPathName() + "/~Synth.pkg";

    EXPECT_EQ (lines, Texts { "Installer created successfully: " + componentPackage });
    EXPECT_EQ (tools->arguments ("pkgbuild", 1).back(), componentPackage);
    EXPECT_TRUE (tools->payload (1).getChildFile ("Library/Audio/Plug-Ins/VST3/./~Fx.vst3/Contents/Info.plist").existsAsFile());
    EXPECT_EQ (tools->stagingListing (1), Texts ({ "distribution_pkg.xml", "~Fx VST3 v1.pkg" }));
    EXPECT_EQ (tools->option ("productbuild", 1, "--output"), package);
    EXPECT_EQ (commandField(), expectedCommand (package, "profile"));
}

//==============================================================================
TEST_F (CreateRoadTest, ChooserAsksForAFolderAndItsAnswerRunsTheRoadWithTheValuesOfThatMoment)
{
    auto* window = openDestinationChooser();

    if (window == nullptr)
        GTEST_SKIP() << "the chooser is a separate program (zenity or kdialog) on this machine";

    // The values are read when the answer comes, not when Create was pressed.
    probe->productNameEditor().setText ("Renamed Synth", false);

    std::function<juce::FileBrowserComponent* (juce::Component&)> findBrowser = [&] (juce::Component& c)
        -> juce::FileBrowserComponent*
    {
        if (auto* b = dynamic_cast<juce::FileBrowserComponent*> (&c))
            return b;

        for (auto* child : c.getChildren())
            if (auto* b = findBrowser (*child))
                return b;

        return nullptr;
    };

    auto* browser = findBrowser (*window);
    ASSERT_NE (browser, nullptr);
    EXPECT_FALSE (browser->isSaveMode());

    // Pick the destination folder itself, as a user does by opening it and pressing "Open".
    browser->setRoot (destination);
    browser->setFileName ({});
    testing_helpers::pump (50);

    DiagnosticCapture capture;
    window->exitModalState (1);
    waitForTheAnswer (capture);

    EXPECT_EQ (tools->calls(), Texts ({ "pkgbuild", "productbuild" }));
    EXPECT_EQ (tools->option ("productbuild", 1, "--output"),
               destination.getChildFile ("Renamed Synth.pkg").getFullPathName());
    EXPECT_EQ (capture.lines().size(), 1u);
}

TEST_F (CreateRoadTest, CancelledChooserWritesTheCancelLine)
{
    auto* window = openDestinationChooser();

    if (window == nullptr)
        GTEST_SKIP() << "the chooser is a separate program (zenity or kdialog) on this machine";

    DiagnosticCapture capture;
    window->exitModalState (0);
    waitForTheAnswer (capture);

    EXPECT_EQ (capture.lines(), Texts { "User cancelled the save dialog." });
    EXPECT_TRUE (tools->calls().empty());
}

TEST_F (CreateRoadTest, ChooserOpenWhenTheFormGoesClosesWithItAndDoesNothing)
{
    auto* window = openDestinationChooser();

    if (window == nullptr)
        GTEST_SKIP() << "the chooser is a separate program (zenity or kdialog) on this machine";

    DiagnosticCapture capture;
    probe = nullptr;
    form = nullptr;

    EXPECT_EQ (findChooserWindow(), nullptr);
    testing_helpers::pump (100);

    EXPECT_TRUE (capture.lines().empty());
    EXPECT_TRUE (tools->calls().empty());
}

//==============================================================================
namespace
{
    /** Puts the project's own stand-in tools first on the PATH; false when they are not built. */
    bool useProjectsStandInTools (const RecordingTools& tools)
    {
        const juce::File toolsFolder (QUILLMERE_TOOLS_DIR);

        if (! toolsFolder.getChildFile ("pkgbuild").existsAsFile()
            || ! toolsFolder.getChildFile ("productbuild").existsAsFile())
            return false;

        setenv ("PATH", (toolsFolder.getFullPathName() + ":" + tools.previousPath).toRawUTF8(), 1);
        return true;
    }
}

TEST_F (CreateRoadTest, RoadWithTheProjectsOwnStandInToolsFailsWithTheDialog)
{
    if (! useProjectsStandInTools (*tools))
        GTEST_SKIP() << "the stand-in packaging tools are not built";

    probe->notarizationCommandEditor().setText ("earlier command", false);

    // A component package that is missing: its bundle went away after it was chosen.
    addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "1.0");
    addBundle (BundleKind::vst3, "Synth", "com.vostrand.synth", "1.0").deleteRecursively();

    auto lines = runRoad();

    EXPECT_EQ (lines, Texts ({ "Installer created successfully: "
                                 + stagingFolder().getChildFile ("Synth AU v1.0.pkg").getFullPathName() }));
    EXPECT_EQ (alertTexts(), Texts ({ "(warning) Error: Failed to copy application to temporary directory.",
                                      "(warning) Error: Failed to create product package. (result code = 256)" }));
    EXPECT_FALSE (destination.getChildFile ("My Great Synth.pkg").exists());
    EXPECT_EQ (commandField(), "earlier command");
    testing_helpers::closeAllDialogs();

    // A definition that is not well-formed: a product name with a character XML cannot hold.
    form->setVst3Path ({});
    probe->productNameEditor().setText (juce::String ("Synth") + juce::String::charToString (1), false);
    lines = runRoad();

    EXPECT_EQ (alertTexts(), Texts ({ "(warning) Error: Failed to create product package. (result code = 256)" }));
    EXPECT_EQ (commandField(), "earlier command");
}

TEST_F (CreateRoadTest, RoadWithTheProjectsOwnStandInTools)
{
    if (! useProjectsStandInTools (*tools))
        GTEST_SKIP() << "the stand-in packaging tools are not built";

    addBundle (BundleKind::app, "Synth", "com.vostrand.synth", "1.0");
    addBundle (BundleKind::vst3, "Synth", "com.vostrand.synth", "1.0");

    const auto lines = runRoad();

    EXPECT_EQ (lines, Texts ({
        "Installer created successfully: " + stagingFolder().getChildFile ("Synth App v1.0.pkg").getFullPathName(),
        "Installer created successfully: " + stagingFolder().getChildFile ("Synth VST3 v1.0.pkg").getFullPathName() }));
    EXPECT_TRUE (stagingFolder().getChildFile ("Synth App v1.0.pkg").existsAsFile());
    EXPECT_TRUE (destination.getChildFile ("My Great Synth.pkg").existsAsFile());
    EXPECT_TRUE (alertTexts().empty());
    EXPECT_EQ (commandField(), expectedCommand (destination.getChildFile ("My Great Synth.pkg").getFullPathName(), "notary"));
}
