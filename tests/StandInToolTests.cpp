// The stand-ins for pkgbuild and productbuild, run as the shell would run them:
// what they accept, what they refuse and why, and the packages they write.

#include <juce_core/juce_core.h>
#include <gtest/gtest.h>

#include "tests/FormProbe.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

#if ! JUCE_MAC

namespace
{
    using testing_helpers::ScratchFolder;

    struct Run
    {
        int exitCode = -1;
        juce::String output;
    };

    juce::File toolsFolder()     { return juce::File (QUILLMERE_TOOLS_DIR); }

    /** Runs a tool directly, without a shell, with its output streams in a
        file. (The framework's child process drops empty arguments, and an empty
        argument is one of the cases here.)
    */
    Run runTool (const juce::String& tool, const juce::StringArray& arguments)
    {
        const auto program = toolsFolder().getChildFile (tool).getFullPathName().toStdString();
        std::vector<std::string> words { program };

        for (auto& a : arguments)
            words.push_back (a.toStdString());

        std::vector<char*> argv;

        for (auto& w : words)
            argv.push_back (w.data());

        argv.push_back (nullptr);

        const auto capture = juce::File::createTempFile ("tool-output");
        const auto capturePath = capture.getFullPathName().toStdString();

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_addopen (&actions, 1, capturePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2 (&actions, 1, 2);

        Run run;
        pid_t child = 0;

        if (::posix_spawn (&child, program.c_str(), &actions, nullptr, argv.data(), environ) == 0)
        {
            int status = 0;

            while (::waitpid (child, &status, 0) < 0 && errno == EINTR) {}

            run.exitCode = WIFEXITED (status) ? WEXITSTATUS (status) : -1;
        }

        posix_spawn_file_actions_destroy (&actions);
        run.output = capture.loadFileAsString();
        capture.deleteFile();
        return run;
    }

    const juce::String identity = "Developer ID Installer: Jane Doe (ABCDE12345)";

    /** A payload root that holds one bundle under its install location. */
    juce::File makePayloadRoot (const juce::File& parent, const juce::String& bundleName, const juce::String& binaryText)
    {
        auto root = parent.getChildFile ("createPkgTemp");
        auto bundle = testing_helpers::makeBundle (root.getChildFile ("Library/Audio/Plug-Ins/VST3"), bundleName, "<plist/>");
        bundle.getChildFile ("Contents/MacOS/binary").replaceWithText (binaryText);
        ::chmod (bundle.getChildFile ("Contents/Info.plist").getFullPathName().toRawUTF8(), 0644);
        ::chmod (bundle.getChildFile ("Contents/MacOS/binary").getFullPathName().toRawUTF8(), 0755);
        ::symlink ("MacOS/binary", bundle.getChildFile ("Contents/current").getFullPathName().toRawUTF8());
        return root;
    }

    juce::StringArray pkgbuildArguments (const juce::File& root, const juce::String& id, const juce::File& output)
    {
        return { "--root", root.getFullPathName(), "--identifier", id, "--version", "1.2.3",
                 "--sign", identity, "--timestamp", output.getFullPathName() };
    }

    /** A distribution definition in the builder's layout. */
    juce::String makeDistribution (const juce::StringArray& ids, const juce::StringArray& files, bool withResources)
    {
        juce::String text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "    <installer-gui-script minSpecVersion=\"1\">\n"
                            "    <title>My Great Synth</title>\n";

        if (withResources)
            text << "    <license file=\"license.rtf\" mime-type=\"text/rtf\"/>\n"
                    "    <readme file=\"readme.rtf\" mime-type=\"text/rtf\"/>\n";

        for (auto& id : ids)
            text << "    <pkg-ref id=\"" << id << "\"/>\n";

        text << "    <options customize=\"always\" require-scripts=\"false\" hostArchitectures=\"x86_64,arm64\"/>\n"
                "    <choices-outline>\n"
                "        <line choice=\"default\" customize=\"always\">\n";

        for (auto& id : ids)
            text << "            <line choice=\"" << id << "\"/>\n";

        text << "        </line>\n"
                "    </choices-outline>\n"
                "    <choice id=\"default\" title=\"My Great Synth\" description=\"Install My Great Synth.\"/>\n";

        for (int i = 0; i < ids.size(); ++i)
            text << "    <choice id=\"" << ids[i] << "\" title=\"VST3\" description=\"Install VST3 version.\" visible=\"true\">\n"
                    "        <pkg-ref id=\"" << ids[i] << "\"/>\n"
                    "    </choice>\n"
                    "    <pkg-ref id=\"" << ids[i] << "\" version=\"1.2.3\" onConclusion=\"none\">" << files[i] << "</pkg-ref>\n";

        return text + "</installer-gui-script>\n";
    }

    /** A staging folder with one real component package, a definition that
        names it, and a resources folder with a licence and a read-me.
    */
    struct ProductScene
    {
        ProductScene()
        {
            staging = scratch.folder.getChildFile ("createInstallerTemp");
            resources = scratch.folder.getChildFile ("Resources");
            destination = scratch.folder.getChildFile ("Desktop");
            staging.createDirectory();
            resources.createDirectory();
            destination.createDirectory();
            resources.getChildFile ("license.rtf").replaceWithText ("{\\rtf1 licence}");
            resources.getChildFile ("readme.rtf").replaceWithText ("{\\rtf1 read me}");

            const auto root = makePayloadRoot (scratch.folder, "Synth.vst3", "synth");
            const auto run = runTool ("pkgbuild", pkgbuildArguments (root, "com.vostrand.synth.pkg.vst3",
                                                                    staging.getChildFile ("Synth.vst3.pkg")));
            EXPECT_EQ (run.exitCode, 0) << run.output;

            distribution = staging.getChildFile ("distribution_pkg.xml");
            distribution.replaceWithText (makeDistribution ({ "com.vostrand.synth.pkg.vst3" }, { "Synth.vst3.pkg" }, true), false, false, "\n");
        }

        juce::StringArray arguments() const
        {
            return { "--distribution", distribution.getFullPathName(), "--resources", resources.getFullPathName(),
                     "--package-path", staging.getFullPathName(), "--sign", identity,
                     "--output", output().getFullPathName() };
        }

        juce::File output() const    { return destination.getChildFile ("My Great Synth.pkg"); }

        ScratchFolder scratch;
        juce::File staging, resources, destination, distribution;
    };

    /** Replaces the value after an option, or removes the option with its value. */
    juce::StringArray withOption (juce::StringArray arguments, const juce::String& option, const juce::String* value)
    {
        const auto index = arguments.indexOf (option);

        if (index < 0)
            return arguments;

        if (value == nullptr)
            arguments.removeRange (index, 2);
        else
            arguments.set (index + 1, *value);

        return arguments;
    }

    /** Exit status 1, one line on the error stream naming the tool and the
        reason, and no package written.
    */
    void expectRefusal (const Run& run, const juce::String& tool, const juce::String& reason,
                        const juce::File& output, const juce::String& caseName)
    {
        SCOPED_TRACE (caseName.toStdString());
        EXPECT_EQ (run.exitCode, 1) << run.output;
        EXPECT_TRUE (run.output.startsWith (tool + ": ")) << run.output;
        EXPECT_TRUE (run.output.contains (reason)) << run.output;
        EXPECT_EQ (juce::StringArray::fromLines (run.output.trimEnd()).size(), 1) << run.output;
        EXPECT_FALSE (output.exists());
    }

    /** The named sections of a product package: the header, then for each
        section a line "name size", exactly that many bytes and a line feed.
    */
    juce::StringPairArray readProduct (const juce::File& product, juce::StringArray& order)
    {
        juce::MemoryBlock data;
        product.loadFileAsData (data);
        const auto text = juce::String::fromUTF8 ((const char*) data.getData(), (int) data.getSize());

        juce::StringPairArray sections;
        auto rest = text;

        auto takeLine = [&rest]
        {
            auto line = rest.upToFirstOccurrenceOf ("\n", false, false);
            rest = rest.fromFirstOccurrenceOf ("\n", false, false);
            return line;
        };

        sections.set ("header", takeLine());
        sections.set ("sign", takeLine().fromFirstOccurrenceOf ("sign ", false, false));

        while (rest.isNotEmpty())
        {
            const auto line = takeLine();
            const auto size = line.fromLastOccurrenceOf (" ", false, false).getIntValue();
            const auto name = line.upToLastOccurrenceOf (" ", false, false);
            const auto bytes = juce::String::fromUTF8 (rest.toRawUTF8(), size);
            sections.set (name, bytes);
            order.add (name);
            rest = juce::String::fromUTF8 (rest.toRawUTF8() + size);

            if (! rest.startsWith ("\n"))
                break;

            rest = rest.substring (1);
        }

        return sections;
    }
}

//==============================================================================
TEST (StandInPkgbuild, WritesAManifestOfThePayloadRoot)
{
    ScratchFolder scratch;
    const auto root = makePayloadRoot (scratch.folder, "My Synth.vst3", "synth binary");
    const auto output = scratch.folder.getChildFile ("staging/My Synth.vst3.pkg");
    output.getParentDirectory().createDirectory();

    const auto run = runTool ("pkgbuild", pkgbuildArguments (root, "com.vostrand.mysynth.pkg.vst3", output));
    ASSERT_EQ (run.exitCode, 0) << run.output;

    const auto lines = juce::StringArray::fromLines (output.loadFileAsString().trimEnd());
    ASSERT_GE (lines.size(), 5);
    EXPECT_EQ (lines[0], "quillmere-standin-component-package 1");
    EXPECT_EQ (lines[1], "identifier com.vostrand.mysynth.pkg.vst3");
    EXPECT_EQ (lines[2], "version 1.2.3");
    EXPECT_EQ (lines[3], "sign Developer%20ID%20Installer:%20Jane%20Doe%20(ABCDE12345)");
    EXPECT_EQ (lines[4], "timestamp yes");

    // The bundle lies at its install location below the root; its executable
    // keeps its mode, and a link is listed as a link with its text.
    const juce::String bundle = "Library/Audio/Plug-Ins/VST3/My%20Synth.vst3";
    auto lineFor = [&lines] (const juce::String& relativePath)
    {
        for (auto& line : lines)
            if (line.fromFirstOccurrenceOf (" ", false, false).fromFirstOccurrenceOf (" ", false, false)
                    .fromFirstOccurrenceOf (" ", false, false).fromFirstOccurrenceOf (" ", false, false)
                    .upToFirstOccurrenceOf (" ", false, false) == relativePath)
                return line;

        return juce::String();
    };

    EXPECT_TRUE (lineFor ("Library/Audio/Plug-Ins/VST3").startsWith ("dir ")) << lines.joinIntoString ("\n");
    EXPECT_TRUE (lineFor (bundle).startsWith ("dir "));
    EXPECT_TRUE (lineFor (bundle + "/Contents/MacOS/binary").startsWith ("file 0755 12 ")) << lines.joinIntoString ("\n");
    EXPECT_TRUE (lineFor (bundle + "/Contents/current").startsWith ("link 0777 12 ")) << lines.joinIntoString ("\n");
    EXPECT_TRUE (lineFor (bundle + "/Contents/current").endsWith (" MacOS/binary"));
    EXPECT_TRUE (lineFor (bundle + "/Contents/Info.plist").startsWith ("file 0644 8 "));

    // The manifest tells the bytes apart: one changed byte, another checksum.
    const auto before = lineFor (bundle + "/Contents/MacOS/binary");
    root.getChildFile ("Library/Audio/Plug-Ins/VST3/My Synth.vst3/Contents/MacOS/binary").replaceWithText ("synth binarY");
    ASSERT_EQ (runTool ("pkgbuild", pkgbuildArguments (root, "com.vostrand.mysynth.pkg.vst3", output)).exitCode, 0);
    const auto again = juce::StringArray::fromLines (output.loadFileAsString().trimEnd());
    EXPECT_EQ (again.size(), lines.size());
    EXPECT_FALSE (again.contains (before));
}

TEST (StandInPkgbuild, RefusesWhatTheRealToolWouldRefuse)
{
    ScratchFolder scratch;
    const auto root = makePayloadRoot (scratch.folder, "Synth.vst3", "synth");
    const auto output = scratch.folder.getChildFile ("staging/Synth.vst3.pkg");
    output.getParentDirectory().createDirectory();
    const auto good = pkgbuildArguments (root, "com.vostrand.synth.pkg.vst3", output);

    const juce::String empty, blankTeam ("Developer ID Installer: "), missingRoot (scratch.folder.getChildFile ("no-root").getFullPathName());

    struct Case { juce::String name; juce::StringArray arguments; juce::String reason; };

    const std::vector<Case> cases
    {
        { "root folder missing",   withOption (good, "--root", &missingRoot),          "root folder does not exist" },
        { "no root option",        withOption (good, "--root", nullptr),               "missing --root" },
        { "empty identifier",      withOption (good, "--identifier", &empty),          "identifier" },
        { "no identifier",         withOption (good, "--identifier", nullptr),         "identifier" },
        { "empty version",         withOption (good, "--version", &empty),             "version" },
        { "no version",            withOption (good, "--version", nullptr),            "version" },
        { "empty identity",        withOption (good, "--sign", &empty),                "signing identity" },
        { "identity names nobody", withOption (good, "--sign", &blankTeam),            "signing identity" },
        { "no identity",           withOption (good, "--sign", nullptr),               "--sign" },
        { "unknown option",        [&] { auto a = good; a.insert (0, "--component"); return a; }(), "unknown option --component" },
        { "value missing at end",  [&] { auto a = good; a.remove (a.size() - 1); a.add ("--version"); return a; }(), "missing value after --version" },
        { "no output path",        [&] { auto a = good; a.remove (a.size() - 1); return a; }(), "missing output" },
        { "two output paths",      [&] { auto a = good; a.add ("/tmp/other.pkg"); return a; }(), "unexpected argument" },
    };

    for (auto& c : cases)
        expectRefusal (runTool ("pkgbuild", c.arguments), "pkgbuild", c.reason, output, c.name);

    // The output's folder must exist.
    const auto lost = scratch.folder.getChildFile ("no-staging/Synth.vst3.pkg");
    expectRefusal (runTool ("pkgbuild", pkgbuildArguments (root, "com.vostrand.synth.pkg.vst3", lost)),
                   "pkgbuild", "output's folder does not exist", lost, "output folder missing");
}

TEST (StandInProductbuild, CombinesTheComponentPackagesOfARealRoundTrip)
{
    ProductScene scene;

    // A second component, built by the stand-in pkgbuild like the first.
    const auto secondRoot = makePayloadRoot (scene.scratch.folder.getChildFile ("second"), "Synth.component", "au");
    ASSERT_EQ (runTool ("pkgbuild", pkgbuildArguments (secondRoot, "com.vostrand.synth.pkg.au",
                                                        scene.staging.getChildFile ("Synth.component.pkg"))).exitCode, 0);

    const auto definition = makeDistribution ({ "com.vostrand.synth.pkg.au", "com.vostrand.synth.pkg.vst3" },
                                              { "Synth.component.pkg", "Synth.vst3.pkg" }, true);
    scene.distribution.replaceWithText (definition, false, false, "\n");

    const auto run = runTool ("productbuild", scene.arguments());
    ASSERT_EQ (run.exitCode, 0) << run.output;
    ASSERT_TRUE (scene.output().existsAsFile());

    juce::StringArray order;
    const auto sections = readProduct (scene.output(), order);

    EXPECT_EQ (sections["header"], "quillmere-standin-product-package 1");
    EXPECT_EQ (sections["sign"], "Developer%20ID%20Installer:%20Jane%20Doe%20(ABCDE12345)");
    EXPECT_EQ (order, juce::StringArray ({ "distribution", "component Synth.component.pkg", "component Synth.vst3.pkg" }));
    EXPECT_EQ (sections["distribution"], definition);
    EXPECT_EQ (sections["component Synth.component.pkg"], scene.staging.getChildFile ("Synth.component.pkg").loadFileAsString());
    EXPECT_EQ (sections["component Synth.vst3.pkg"], scene.staging.getChildFile ("Synth.vst3.pkg").loadFileAsString());
    EXPECT_TRUE (sections["component Synth.vst3.pkg"].contains ("identifier com.vostrand.synth.pkg.vst3\n"));

    // Without a resources folder the licence and read-me are not looked for.
    ASSERT_TRUE (scene.output().deleteFile());
    auto withoutResources = scene.arguments();
    withoutResources.removeRange (withoutResources.indexOf ("--resources"), 2);
    scene.resources.deleteRecursively();
    EXPECT_EQ (runTool ("productbuild", withoutResources).exitCode, 0);
    EXPECT_TRUE (scene.output().existsAsFile());
}

TEST (StandInProductbuild, RefusesWhatTheRealToolWouldRefuse)
{
    ProductScene scene;
    const auto good = scene.arguments();
    const auto output = scene.output();
    const juce::String empty, blankTeam ("Developer ID Installer: ");

    auto withDefinition = [&] (const juce::String& name, const juce::String& text)
    {
        const auto file = scene.staging.getChildFile (name);
        file.replaceWithText (text, false, false, "\n");
        const auto path = file.getFullPathName();
        return withOption (good, "--distribution", &path);
    };

    const auto goodText = scene.distribution.loadFileAsString();
    const auto missingFolder = scene.scratch.folder.getChildFile ("nowhere").getFullPathName();
    const auto lostOutput = scene.scratch.folder.getChildFile ("nowhere/My Great Synth.pkg").getFullPathName();
    const auto notAPackage = [&]
    {
        scene.staging.getChildFile ("Fake.vst.pkg").replaceWithText ("not a package");
        return makeDistribution ({ "com.x.pkg.vst" }, { "Fake.vst.pkg" }, true);
    }();

    struct Case { juce::String name; juce::StringArray arguments; juce::String reason; };

    const std::vector<Case> cases
    {
        { "definition missing",     withOption (good, "--distribution", &missingFolder), "distribution definition not found" },
        { "no definition option",   withOption (good, "--distribution", nullptr),       "missing --distribution" },
        { "unclosed element",       withDefinition ("a.xml", goodText.replace ("</choices-outline>\n", "")), "not well-formed" },
        { "unescaped ampersand",    withDefinition ("b.xml", goodText.replace ("My Great Synth", "Rock & Roll")), "not well-formed" },
        { "angle bracket in value", withDefinition ("c.xml", goodText.replace ("title=\"VST3\"", "title=\"<VST3>\"")), "not well-formed" },
        { "content after the root", withDefinition ("d.xml", goodText + "<extra/>\n"), "not well-formed" },
        { "empty definition",       withDefinition ("e.xml", ""), "not well-formed" },
        { "another root element",   withDefinition ("f.xml", "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"/>\n"), "root element" },
        { "package not staged",     withDefinition ("g.xml", makeDistribution ({ "com.x.pkg.au" }, { "Missing.component.pkg" }, true)), "package Missing.component.pkg not found" },
        { "not a component package", withDefinition ("h.xml", notAPackage), "not a component package" },
        { "package path missing",   withOption (good, "--package-path", &missingFolder), "package path does not exist" },
        { "resources folder missing", withOption (good, "--resources", &missingFolder),   "resources folder does not exist" },
        { "empty identity",         withOption (good, "--sign", &empty),                "signing identity" },
        { "identity names nobody",  withOption (good, "--sign", &blankTeam),            "signing identity" },
        { "output folder missing",  withOption (good, "--output", &lostOutput),         "output's folder does not exist" },
        { "no output option",       withOption (good, "--output", nullptr),             "missing --output" },
        { "unknown option",         [&] { auto a = good; a.insert (0, "--synthesize"); return a; }(), "unknown option --synthesize" },
        { "value missing at end",   [&] { auto a = good; a.removeRange (a.size() - 2, 2); a.add ("--output"); return a; }(), "missing value after --output" },
        { "stray argument",         [&] { auto a = good; a.add ("extra.pkg"); return a; }(), "unexpected argument extra.pkg" },
    };

    for (auto& c : cases)
        expectRefusal (runTool ("productbuild", c.arguments), "productbuild", c.reason, output, c.name);

    // A licence or read-me that the definition names must be in the resources folder.
    for (auto name : { "license.rtf", "readme.rtf" })
    {
        const auto file = scene.resources.getChildFile (name);
        const auto kept = file.loadFileAsString();
        ASSERT_TRUE (file.deleteFile());
        expectRefusal (runTool ("productbuild", good), "productbuild", juce::String (name) + " not found", output, name);
        file.replaceWithText (kept);
    }

    // And with everything in place the same arguments succeed.
    EXPECT_EQ (runTool ("productbuild", good).exitCode, 0);
}

TEST (StandInTools, KnownIdentityAndCallLog)
{
    ProductScene scene;
    const auto log = scene.scratch.folder.getChildFile ("calls.log");

    ::setenv ("QUILLMERE_STANDIN_LOG", log.getFullPathName().toRawUTF8(), 1);
    ::setenv ("QUILLMERE_STANDIN_IDENTITY", "Developer ID Installer: Someone Else (ZZZ)", 1);
    const auto refused = runTool ("productbuild", scene.arguments());
    ::setenv ("QUILLMERE_STANDIN_IDENTITY", identity.toRawUTF8(), 1);
    const auto accepted = runTool ("productbuild", scene.arguments());
    ::unsetenv ("QUILLMERE_STANDIN_IDENTITY");
    ::unsetenv ("QUILLMERE_STANDIN_LOG");

    expectRefusal (refused, "productbuild", "could not find an installer signing identity", juce::File(), "identity not in the keychain");
    EXPECT_EQ (accepted.exitCode, 0) << accepted.output;

    // Each call is logged with its arguments; spaces are escaped so that every
    // argument stays one word.
    const auto lines = juce::StringArray::fromLines (log.loadFileAsString().trimEnd());
    ASSERT_EQ (lines.size(), 2);
    EXPECT_EQ (lines[0], lines[1]);
    EXPECT_TRUE (lines[0].startsWith ("productbuild --distribution "));
    EXPECT_TRUE (lines[0].endsWith (" --output " + scene.output().getFullPathName().replace (" ", "%20")));
    EXPECT_TRUE (lines[0].contains (" --sign Developer%20ID%20Installer:%20Jane%20Doe%20(ABCDE12345) "));
}

#endif
