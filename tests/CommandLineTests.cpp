// The command lines handed to the shell and the notarization line shown to the
// user: their exact text for ordinary values, and what the shell makes of them
// for values that hold characters special to it.

#include "tests/BuilderTestTools.h"
#include "builder/CommandLine.h"

using namespace builder_testing;

namespace
{
    // Values that a shell would act on if they were pasted between quotes as they are.
    const juce::StringArray hostileValues
    {
        "He said \"hi\"",
        "$(touch hacked)",
        "`touch hacked`",
        "back\\slash",
        "ends with a backslash\\",
        "\\\"; touch hacked; echo \"",
        "$HOME and ${PATH} and $1",
        "it's a 'quote'",
        "semi; colon && amp | pipe > redirect < in",
        "tab\tand\nnewline",
        "star * and ? and [a]",
        "~tilde",
        juce::String (juce::CharPointer_UTF8 ("\xc3\x9c" "n\xc3\xaf" "c\xc3\xb8" "d\xc3\xa9 \xe2\x9c\x93"))
    };

    /** Runs a line through /bin/sh as system() does, in the test's working folder. */
    int runShell (const juce::String& line)
    {
        return std::system (line.toRawUTF8());
    }

    class CommandLineTest  : public ::testing::Test
    {
    protected:
        testing_helpers::ScratchFolder scratch;
        WorkingFolder working { scratch.folder.getChildFile ("work") };

        juce::File marker() const   { return scratch.folder.getChildFile ("work").getChildFile ("hacked"); }
        juce::File record() const   { return scratch.folder.getChildFile ("record"); }

        /** What the shell passes to a program for the given word text. */
        Texts argumentsOf (const juce::String& words)
        {
            record().deleteFile();
            EXPECT_EQ (runShell ("printf '%s\\0' " + words + " > '" + record().getFullPathName() + "'"), 0) << words;
            return readNulSeparated (record());
        }
    };
}

//==============================================================================
TEST_F (CommandLineTest, OrdinaryValuesAreLeftAsTheyAre)
{
    for (auto& value : { "My Great Synth", "Jane Doe (ABCDE12345)", "com.vostrand.synth.pkg.au", "1.2.3",
                         "/tmp/quillmere-x/createPkgTemp", "" })
    {
        EXPECT_EQ (quoteForShellDoubleQuotes (value), juce::String (value));
        EXPECT_EQ (escapeForXml (value), juce::String (value));
    }

    EXPECT_EQ (quoteForShellWord ("/tmp/quillmere-tests-Ab12/createPkgTemp"), "/tmp/quillmere-tests-Ab12/createPkgTemp");
    EXPECT_EQ (quoteForShellWord ("/a/b_c-d.e+f,g:h@i%j=k"), "/a/b_c-d.e+f,g:h@i%j=k");
}

TEST_F (CommandLineTest, SpecialCharactersAreEscaped)
{
    EXPECT_EQ (quoteForShellDoubleQuotes ("a\"b$c`d\\e'f"), "a\\\"b\\$c\\`d\\\\e'f");
    EXPECT_EQ (quoteForShellWord ("/tmp/my folder"), "'/tmp/my folder'");
    EXPECT_EQ (quoteForShellWord ("/tmp/it's"), "'/tmp/it'\\''s'");
    EXPECT_EQ (quoteForShellWord ({}), "''");
    EXPECT_EQ (escapeForXml ("R&D <Synth> \"One\""), "R&amp;D &lt;Synth&gt; &quot;One&quot;");
}

TEST_F (CommandLineTest, TheShellReadsEveryQuotedValueBackAsOneLiteralArgument)
{
    for (auto& value : hostileValues)
    {
        EXPECT_EQ (argumentsOf ("\"" + quoteForShellDoubleQuotes (value) + "\""), Texts { value }) << value;
        EXPECT_EQ (argumentsOf (quoteForShellWord (value)), Texts { value }) << value;
        EXPECT_EQ (argumentsOf (quoteForShellWord ("/tmp/" + value)), Texts { "/tmp/" + value }) << value;
    }

    EXPECT_FALSE (marker().exists()) << "a value ran as a command";
}

TEST_F (CommandLineTest, XmlEscapingKeepsAnAttributeWellFormedAndItsText)
{
    for (auto& value : { "R&D", "<Synth>", "say \"hi\"", "a & b < c > d \" e", "&amp;" })
    {
        auto xml = juce::parseXML ("<e a=\"" + escapeForXml (value) + "\">" + escapeForXml (value) + "</e>");
        ASSERT_NE (xml, nullptr) << value;
        EXPECT_EQ (xml->getStringAttribute ("a"), juce::String (value));
        EXPECT_EQ (xml->getAllSubText(), juce::String (value));
    }
}

//==============================================================================
TEST_F (CommandLineTest, PkgbuildLineForOrdinaryValues)
{
    EXPECT_EQ (makePkgbuildCommand ("/tmp/t/createPkgTemp", "com.vostrand.synth.pkg.vst3", "1.2.0",
                                    "Jane Doe (ABCDE12345)", "/tmp/t/createInstallerTemp/Synth VST3 v1.2.0.pkg"),
               "pkgbuild --root /tmp/t/createPkgTemp --identifier \"com.vostrand.synth.pkg.vst3\" --version \"1.2.0\""
               " --sign \"Developer ID Installer: Jane Doe (ABCDE12345)\""
               " --timestamp \"/tmp/t/createInstallerTemp/Synth VST3 v1.2.0.pkg\"");
}

TEST_F (CommandLineTest, ProductbuildLineWithAndWithoutResources)
{
    EXPECT_EQ (makeProductbuildCommand ("/tmp/t/createInstallerTemp/distribution_pkg.xml", {},
                                        "/tmp/t/createInstallerTemp", "Jane Doe (ABCDE12345)",
                                        "/Users/jane/Desktop/My Great Synth.pkg"),
               "productbuild --distribution /tmp/t/createInstallerTemp/distribution_pkg.xml"
               " --package-path \"/tmp/t/createInstallerTemp\""
               " --sign \"Developer ID Installer: Jane Doe (ABCDE12345)\""
               " --output \"/Users/jane/Desktop/My Great Synth.pkg\"");

    EXPECT_EQ (makeProductbuildCommand ("/tmp/t/createInstallerTemp/distribution_pkg.xml", "/Users/jane/My Resources",
                                        "/tmp/t/createInstallerTemp", "TEAM", "/out/Synth.pkg"),
               "productbuild --distribution /tmp/t/createInstallerTemp/distribution_pkg.xml"
               " --resources \"/Users/jane/My Resources\""
               " --package-path \"/tmp/t/createInstallerTemp\""
               " --sign \"Developer ID Installer: TEAM\""
               " --output \"/out/Synth.pkg\"");
}

//==============================================================================
namespace
{
    /** Runs a notarization line with xcrun and ditto replaced by functions that
        record their arguments; returns every recorded argument, the command
        names included, in the order of the calls.
    */
    Texts runNotarizationLine (const juce::String& line, const juce::File& record)
    {
        record.deleteFile();
        const auto to = " >> '" + record.getFullPathName() + "'; }\n";
        const auto script = "xcrun() { printf '%s\\0' xcrun \"$@\"" + to
                          + "ditto() { printf '%s\\0' ditto \"$@\"" + to
                          + line + "\n";

        juce::ChildProcess shell;
        EXPECT_TRUE (shell.start (juce::StringArray { "/bin/sh", "-c", script }));
        shell.waitForProcessToFinish (10000);
        EXPECT_EQ (shell.getExitCode(), 0u);
        return readNulSeparated (record);
    }

    Texts expectedNotarizationArguments (const juce::String& package, const juce::String& profile)
    {
        return { "xcrun", "notarytool", "submit", package, "--keychain-profile", profile, "--wait",
                 "xcrun", "stapler", "staple", "-v", package,
                 "ditto", "-c", "-k", "-rsrc", "--sequesterRsrc", package, package + ".zip" };
    }
}

TEST_F (CommandLineTest, NotarizationLineRunsThreeCommandsWithEachValueAsOneArgument)
{
    const juce::String package ("/Users/jane/Desktop/My Great Synth.pkg");

    EXPECT_EQ (runNotarizationLine (makeNotarizationCommand (package, "my notary profile"), record()),
               expectedNotarizationArguments (package, "my notary profile"));

    for (auto& value : hostileValues)
    {
        const auto hostilePackage = "/Users/jane/Desktop/" + value + ".pkg";
        EXPECT_EQ (runNotarizationLine (makeNotarizationCommand (hostilePackage, value), record()),
                   expectedNotarizationArguments (hostilePackage, value)) << value;
    }

    EXPECT_FALSE (marker().exists()) << "a value ran as a command";
}

TEST_F (CommandLineTest, NotarizationLinePastedIntoAnInteractiveShellKeepsExclamationMarks)
{
    // An interactive bash expands "!" inside double quotes from its history.
    for (const juce::String value : { "Wow!", "!!", "a!$b", "!-2 and !echo" })
    {
        const auto package = "/Users/jane/Desktop/" + value + ".pkg";
        const auto line = makeNotarizationCommand (package, value);

        record().deleteFile();
        const auto to = " >> '" + record().getFullPathName() + "'; }";
        const auto script = "xcrun() { printf '%s\\0' xcrun \"$@\"" + to + "\n"
                          + "ditto() { printf '%s\\0' ditto \"$@\"" + to + "\n"
                          + "echo previous command\n"
                          + line + "\n";

        const auto scriptFile = scratch.folder.getChildFile ("pasted.sh");
        scriptFile.replaceWithText (script, false, false, "\n");

        const auto status = runShell ("bash --norc --noprofile -i < '" + scriptFile.getFullPathName() + "' > /dev/null 2>&1");
        EXPECT_EQ (status, 0) << value;
        EXPECT_EQ (readNulSeparated (record()), expectedNotarizationArguments (package, value)) << value;
    }
}

TEST_F (CommandLineTest, XmlEscapingKeepsTabsAndLineBreaksInAttributes)
{
    const juce::String value ("com.vostrand\tsynth\nau\r");
    auto xml = juce::parseXML ("<e a=\"" + escapeForXml (value) + "\"/>");
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getStringAttribute ("a"), value);
    EXPECT_FALSE (escapeForXml (value).containsAnyOf ("\t\n\r"));
}
