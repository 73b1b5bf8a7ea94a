// The distribution definition written into the staging folder and the
// productbuild run that turns the component packages into the product package.

#include "tests/BuilderTestTools.h"

using namespace builder_testing;

namespace
{
    class ProductPackageTest  : public RoadTest
    {
    protected:
        juce::File definitionFile() const   { return stagingFolder().getChildFile ("distribution_pkg.xml"); }

        /** The definition as written, byte for byte. */
        std::string definitionBytes() const
        {
            juce::MemoryBlock data;
            definitionFile().loadFileAsData (data);
            return data.toString().toStdString();
        }

        static std::string joinLines (std::initializer_list<const char*> lines)
        {
            std::string text;

            for (auto* line : lines)
                text += std::string (line) + "\n";

            return text;
        }
    };
}

//==============================================================================
TEST_F (ProductPackageTest, OneRowWithoutResourcesGivesSixteenLines)
{
    addBundle (BundleKind::vst, "Synth", "com.vostrand.synth", "1.4.2");

    runRoad();

    const auto expected = joinLines ({
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
        "    <installer-gui-script minSpecVersion=\"1\">",
        "    <title>My Great Synth</title>",
        "    <pkg-ref id=\"com.vostrand.synth.pkg.vst\"/>",
        "    <options customize=\"always\" require-scripts=\"false\" hostArchitectures=\"x86_64,arm64\"/>",
        "    <choices-outline>",
        "        <line choice=\"default\" customize=\"always\">",
        "            <line choice=\"com.vostrand.synth.pkg.vst\"/>",
        "        </line>",
        "    </choices-outline>",
        "    <choice id=\"default\" title=\"My Great Synth\" description=\"Install My Great Synth.\"/>",
        "    <choice id=\"com.vostrand.synth.pkg.vst\" title=\"VST\" description=\"Install VST version.\" visible=\"true\">",
        "        <pkg-ref id=\"com.vostrand.synth.pkg.vst\"/>",
        "    </choice>",
        "    <pkg-ref id=\"com.vostrand.synth.pkg.vst\" version=\"1.4.2\" onConclusion=\"none\">Synth VST v1.4.2.pkg</pkg-ref>",
        "</installer-gui-script>" });

    const auto bytes = definitionBytes();
    EXPECT_EQ (bytes, expected);
    EXPECT_EQ (std::count (bytes.begin(), bytes.end(), '\n'), 16);
    EXPECT_EQ (bytes.back(), '\n');
    EXPECT_EQ (bytes.find ('\r'), std::string::npos);

    // productbuild was given that very file, and no resources.
    EXPECT_EQ (tools->distribution (1).loadFileAsString().toStdString(), expected);
    EXPECT_EQ (tools->arguments ("productbuild", 1),
               Texts ({ "--distribution", definitionFile().getFullPathName(),
                                    "--package-path", stagingFolder().getFullPathName(),
                                    "--sign", "Developer ID Installer: Jane Doe (ABCDE12345)",
                                    "--output", destination.getChildFile ("My Great Synth.pkg").getFullPathName() }));
    EXPECT_TRUE (destination.getChildFile ("My Great Synth.pkg").existsAsFile());
}

TEST_F (ProductPackageTest, AuAndVstGiveTwentyTwoLinesInKindOrder)
{
    addBundle (BundleKind::vst, "Synth", "com.vostrand.synth", "3.0");
    addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "3.0");

    runRoad();

    EXPECT_EQ (definitionBytes(), joinLines ({
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
        "    <installer-gui-script minSpecVersion=\"1\">",
        "    <title>My Great Synth</title>",
        "    <pkg-ref id=\"com.vostrand.synth.pkg.au\"/>",
        "    <pkg-ref id=\"com.vostrand.synth.pkg.vst\"/>",
        "    <options customize=\"always\" require-scripts=\"false\" hostArchitectures=\"x86_64,arm64\"/>",
        "    <choices-outline>",
        "        <line choice=\"default\" customize=\"always\">",
        "            <line choice=\"com.vostrand.synth.pkg.au\"/>",
        "            <line choice=\"com.vostrand.synth.pkg.vst\"/>",
        "        </line>",
        "    </choices-outline>",
        "    <choice id=\"default\" title=\"My Great Synth\" description=\"Install My Great Synth.\"/>",
        "    <choice id=\"com.vostrand.synth.pkg.au\" title=\"AudioUnit\" description=\"Install AudioUnit version.\" visible=\"true\">",
        "        <pkg-ref id=\"com.vostrand.synth.pkg.au\"/>",
        "    </choice>",
        "    <pkg-ref id=\"com.vostrand.synth.pkg.au\" version=\"3.0\" onConclusion=\"none\">Synth AU v3.0.pkg</pkg-ref>",
        "    <choice id=\"com.vostrand.synth.pkg.vst\" title=\"VST\" description=\"Install VST version.\" visible=\"true\">",
        "        <pkg-ref id=\"com.vostrand.synth.pkg.vst\"/>",
        "    </choice>",
        "    <pkg-ref id=\"com.vostrand.synth.pkg.vst\" version=\"3.0\" onConclusion=\"none\">Synth VST v3.0.pkg</pkg-ref>",
        "</installer-gui-script>" }));
}

TEST_F (ProductPackageTest, AllFourKindsListTheAppFirstThenAuVst3Vst)
{
    addBundle (BundleKind::vst3, "Synth", "com.v.s", "1");
    addBundle (BundleKind::vst, "Synth", "com.v.s", "1");
    addBundle (BundleKind::au, "Synth", "com.v.s", "1");
    addBundle (BundleKind::app, "Synth", "com.v.s", "1");

    runRoad();

    juce::StringArray lines;
    lines.addLines (juce::String (definitionBytes()));
    lines.removeEmptyStrings();
    ASSERT_EQ (lines.size(), 34);

    const juce::StringArray ids { "com.v.s.pkg.app", "com.v.s.pkg.au", "com.v.s.pkg.vst3", "com.v.s.pkg.vst" };
    const juce::StringArray titles { "Application", "AudioUnit", "VST3", "VST" };
    const juce::StringArray descriptions { "Install the standalone application.", "Install AudioUnit version.",
                                           "Install VST3 version.", "Install VST version." };
    const juce::StringArray files { "Synth App v1.pkg", "Synth AU v1.pkg", "Synth VST3 v1.pkg", "Synth VST v1.pkg" };

    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ (lines[3 + i], "    <pkg-ref id=\"" + ids[i] + "\"/>");
        EXPECT_EQ (lines[10 + i], "            <line choice=\"" + ids[i] + "\"/>");
        EXPECT_EQ (lines[17 + 4 * i], "    <choice id=\"" + ids[i] + "\" title=\"" + titles[i]
                                        + "\" description=\"" + descriptions[i] + "\" visible=\"true\">");
        EXPECT_EQ (lines[18 + 4 * i], "        <pkg-ref id=\"" + ids[i] + "\"/>");
        EXPECT_EQ (lines[20 + 4 * i], "    <pkg-ref id=\"" + ids[i] + "\" version=\"1\" onConclusion=\"none\">"
                                        + files[i] + "</pkg-ref>");
    }
}

TEST_F (ProductPackageTest, AppAloneGivesSixteenLinesWithItsOwnRowValues)
{
    addBundle (BundleKind::app, "Synth Studio", "com.vostrand.studio", "5.1");

    runRoad();

    const auto bytes = definitionBytes();
    EXPECT_EQ (std::count (bytes.begin(), bytes.end(), '\n'), 16);
    EXPECT_EQ (bytes.find (".pkg.au"), std::string::npos);
    EXPECT_EQ (bytes.find (".pkg.vst"), std::string::npos);
    EXPECT_NE (bytes.find ("\n    <pkg-ref id=\"com.vostrand.studio.pkg.app\"/>\n    <options "), std::string::npos);
    EXPECT_NE (bytes.find ("\n            <line choice=\"com.vostrand.studio.pkg.app\"/>\n"), std::string::npos);
    EXPECT_NE (bytes.find ("\n    <pkg-ref id=\"com.vostrand.studio.pkg.app\" version=\"5.1\" onConclusion=\"none\">"
                           "Synth Studio App v5.1.pkg</pkg-ref>\n</installer-gui-script>\n"), std::string::npos);
}

TEST_F (ProductPackageTest, ADefinitionLeftInTheStagingFolderIsReplacedNotAppendedTo)
{
    addBundle (BundleKind::vst3, "Synth", "com.vostrand.synth", "1.0");

    // Longer than the new definition, so that neither its head nor its tail may survive.
    auto staging = scratch.folder.getChildFile ("staging");
    staging.createDirectory();
    const auto leftover = juce::String::repeatedString ("left over from an earlier run\n", 200);
    staging.getChildFile ("distribution_pkg.xml").replaceWithText (leftover);

    EXPECT_TRUE (form->buildProductPackage (staging.getFullPathName(), destination.getFullPathName()));
    const auto first = staging.getChildFile ("distribution_pkg.xml").loadFileAsString();
    ASSERT_LT (first.length(), leftover.length());
    EXPECT_TRUE (first.startsWith ("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"));
    EXPECT_TRUE (first.endsWith ("</pkg-ref>\n</installer-gui-script>\n"));
    EXPECT_FALSE (first.contains ("left over"));

    EXPECT_TRUE (form->buildProductPackage (staging.getFullPathName(), destination.getFullPathName()));
    EXPECT_EQ (staging.getChildFile ("distribution_pkg.xml").loadFileAsString(), first);
}

TEST_F (ProductPackageTest, ResourcesFolderAddsLicenceAndReadmeAndTheResourcesOption)
{
    // An empty folder: neither its existence nor its contents are looked at.
    auto resources = scratch.folder.getChildFile ("My Resources");
    resources.createDirectory();
    form->resourcesFolderChosen (resources);
    ASSERT_EQ (probe->resourcesPath(), resources.getFullPathName());

    addBundle (BundleKind::app, "Synth", "com.vostrand.synth", "1.0");
    runRoad();

    const auto bytes = definitionBytes();
    EXPECT_EQ (std::count (bytes.begin(), bytes.end(), '\n'), 18);
    EXPECT_EQ (bytes.substr (0, bytes.find ("    <pkg-ref")), joinLines ({
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
        "    <installer-gui-script minSpecVersion=\"1\">",
        "    <title>My Great Synth</title>",
        "    <license file=\"license.rtf\" mime-type=\"text/rtf\"/>",
        "    <readme file=\"readme.rtf\" mime-type=\"text/rtf\"/>" }));
    EXPECT_NE (bytes.find ("    <choice id=\"com.vostrand.synth.pkg.app\" title=\"Application\""
                           " description=\"Install the standalone application.\" visible=\"true\">\n"),
               std::string::npos);

    EXPECT_EQ (tools->arguments ("productbuild", 1),
               Texts ({ "--distribution", definitionFile().getFullPathName(),
                                    "--resources", resources.getFullPathName(),
                                    "--package-path", stagingFolder().getFullPathName(),
                                    "--sign", "Developer ID Installer: Jane Doe (ABCDE12345)",
                                    "--output", destination.getChildFile ("My Great Synth.pkg").getFullPathName() }));
}

TEST_F (ProductPackageTest, ProductNameKeepsItsLeadingAndTrailingSpaces)
{
    probe->productNameEditor().setText ("  Spacey Synth ", false);
    addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "1.0");

    runRoad();

    const auto bytes = definitionBytes();
    EXPECT_NE (bytes.find ("\n    <title>  Spacey Synth </title>\n"), std::string::npos);
    EXPECT_NE (bytes.find ("\n    <choice id=\"default\" title=\"  Spacey Synth \" description=\"Install   Spacey Synth .\"/>\n"),
               std::string::npos);
    EXPECT_EQ (tools->option ("productbuild", 1, "--output"),
               destination.getFullPathName() + "/  Spacey Synth .pkg");
    EXPECT_TRUE (destination.getChildFile ("  Spacey Synth .pkg").existsAsFile());
}

TEST_F (ProductPackageTest, XmlSpecialCharactersGiveAWellFormedDefinitionWithTheSameText)
{
    probe->productNameEditor().setText ("R&D <Synth> \"One\"", false);
    addBundle (BundleKind::vst3, "A&B <x>", "com.r&d.<synth>.\"q\"", "1.0 \"beta\" & <rc>");

    runRoad();

    juce::XmlDocument document { juce::String (definitionBytes()) };
    auto root = document.getDocumentElement();
    ASSERT_NE (root, nullptr) << document.getLastParseError();
    EXPECT_TRUE (root->hasTagName ("installer-gui-script"));

    const juce::String id ("com.r&d.<synth>.\"q\".pkg.vst3");
    const juce::String version ("1.0 \"beta\" & <rc>");

    EXPECT_EQ (root->getChildByName ("title")->getAllSubText(), "R&D <Synth> \"One\"");
    EXPECT_EQ (root->getChildByName ("pkg-ref")->getStringAttribute ("id"), id);
    EXPECT_EQ (root->getChildByName ("choices-outline")->getFirstChildElement()
                   ->getFirstChildElement()->getStringAttribute ("choice"), id);

    auto* defaultChoice = root->getChildByAttribute ("id", "default");
    ASSERT_NE (defaultChoice, nullptr);
    EXPECT_EQ (defaultChoice->getStringAttribute ("title"), "R&D <Synth> \"One\"");
    EXPECT_EQ (defaultChoice->getStringAttribute ("description"), "Install R&D <Synth> \"One\".");

    juce::XmlElement* choice = nullptr;

    for (auto* e : root->getChildWithTagNameIterator ("choice"))
        if (e->getStringAttribute ("id") == id)
            choice = e;

    ASSERT_NE (choice, nullptr);
    EXPECT_EQ (choice->getStringAttribute ("title"), "VST3");
    EXPECT_EQ (choice->getChildByName ("pkg-ref")->getStringAttribute ("id"), id);

    juce::XmlElement* packageRef = nullptr;

    for (auto* e : root->getChildWithTagNameIterator ("pkg-ref"))
        if (e->hasAttribute ("version"))
            packageRef = e;

    ASSERT_NE (packageRef, nullptr);
    EXPECT_EQ (packageRef->getStringAttribute ("id"), id);
    EXPECT_EQ (packageRef->getStringAttribute ("version"), version);
    EXPECT_EQ (packageRef->getAllSubText(), "A&B <x> VST3 v" + version + ".pkg");

    // The component package was written under the unescaped name that the definition names.
    EXPECT_TRUE (stagingFolder().getChildFile ("A&B <x> VST3 v" + version + ".pkg").existsAsFile());
    EXPECT_TRUE (destination.getChildFile ("R&D <Synth> \"One\".pkg").existsAsFile());
}

//==============================================================================
TEST_F (ProductPackageTest, FailingProductbuildShowsItsStatusAndLeavesTheCommandField)
{
    probe->notarizationCommandEditor().setText ("earlier command", false);
    tools->setStatus ("productbuild", 1);
    addBundle (BundleKind::au, "Synth", "com.vostrand.synth", "1.0");

    const auto lines = runRoad();

    EXPECT_EQ (alertTexts(), Texts { "(warning) Error: Failed to create product package. (result code = 256)" });
    EXPECT_EQ (commandField(), "earlier command");
    EXPECT_EQ (lines, Texts { "Installer created successfully: "
                                + stagingFolder().getChildFile ("Synth AU v1.0.pkg").getFullPathName() });
    EXPECT_TRUE (definitionFile().existsAsFile()) << "the definition stays in the staging folder";
}

TEST_F (ProductPackageTest, ProductbuildRunsEvenWhenEveryComponentPackageFailed)
{
    tools->setStatus ("pkgbuild", 2);
    tools->setStatus ("productbuild", 3);
    addBundle (BundleKind::vst3, "Synth", "com.vostrand.synth", "1.0");

    const auto lines = runRoad();

    EXPECT_EQ (tools->calls(), Texts ({ "pkgbuild", "productbuild" }));
    EXPECT_EQ (lines, Texts { "Failed to create installer package." });
    EXPECT_EQ (alertTexts(), Texts { "(warning) Error: Failed to create product package. (result code = 768)" });
    EXPECT_TRUE (commandField().isEmpty());
}
