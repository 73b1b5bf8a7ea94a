// The main window as the application opens it, and the settings store: its
// location, and the file that the form writes.

#include "tests/FormProbe.h"
#include "app/QuillmereApplication.h"
#include "form/RememberedFields.h"

#include <sys/stat.h>

using namespace testing_helpers;

TEST (MainWindow, OpensCentredWithTheFormAndItsLimits)
{
    QuillmereApplication::MainWindow window ("Quillmere");
    pump (100);

    EXPECT_EQ (window.getName(), "Quillmere");
    EXPECT_TRUE (window.isVisible());
    EXPECT_TRUE (window.isOnDesktop());
    EXPECT_TRUE (window.isUsingNativeTitleBar());
    EXPECT_TRUE (window.isResizable());
    const auto styleFlags = window.getDesktopWindowStyleFlags();
    EXPECT_NE (styleFlags & juce::ComponentPeer::windowHasCloseButton, 0);
    EXPECT_NE (styleFlags & juce::ComponentPeer::windowHasMinimiseButton, 0);
    EXPECT_NE (styleFlags & juce::ComponentPeer::windowHasMaximiseButton, 0);
    EXPECT_NE (styleFlags & juce::ComponentPeer::windowHasTitleBar, 0);
    EXPECT_EQ (window.getBackgroundColour(),
               juce::Desktop::getInstance().getDefaultLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId));

    auto* form = dynamic_cast<MainComponent*> (window.getContentComponent());
    ASSERT_NE (form, nullptr);
    EXPECT_EQ (form->getWidth(), 600);
    EXPECT_EQ (form->getHeight(), 544);

    // The corner resizer, not a resizable border.
    int resizers = 0;
    for (auto* child : window.getChildren())
        if (dynamic_cast<juce::ResizableCornerComponent*> (child) != nullptr)
            ++resizers;
    EXPECT_EQ (resizers, 1);

    auto* constrainer = window.getConstrainer();
    ASSERT_NE (constrainer, nullptr);
    EXPECT_EQ (constrainer->getMinimumWidth(), 400);
    EXPECT_EQ (constrainer->getMinimumHeight(), 432);
    EXPECT_EQ (constrainer->getMaximumWidth(), 5000);
    EXPECT_EQ (constrainer->getMaximumHeight(), 5000);

    auto screen = juce::Desktop::getInstance().getDisplays().getDisplayForRect (window.getScreenBounds())->userArea;
    EXPECT_NEAR (window.getBounds().getCentreX(), screen.getCentreX(), 1);
    EXPECT_NEAR (window.getBounds().getCentreY(), screen.getCentreY(), 1);
}

TEST (MainWindow, TheUserCannotResizeBeyondTheLimits)
{
    QuillmereApplication::MainWindow window ("Quillmere");
    auto* constrainer = window.getConstrainer();
    ASSERT_NE (constrainer, nullptr);

    const auto screen = juce::Rectangle<int> (0, 0, 10000, 10000);

    for (auto [requested, expected] : { std::pair { juce::Point<int> (100, 100), juce::Point<int> (400, 432) },
                                        std::pair { juce::Point<int> (9000, 9000), juce::Point<int> (5000, 5000) },
                                        std::pair { juce::Point<int> (450, 300), juce::Point<int> (450, 432) } })
    {
        auto bounds = juce::Rectangle<int> (10, 10, requested.x, requested.y);
        constrainer->checkBounds (bounds, window.getBounds(), screen, false, false, true, true);
        EXPECT_EQ (bounds.getWidth(), expected.x);
        EXPECT_EQ (bounds.getHeight(), expected.y);
    }

    // Lowering the window cuts the form off at the bottom; nothing moves up.
    window.setSize (400, 432);
    auto* form = window.getContentComponent();
    ASSERT_NE (form, nullptr);
    EXPECT_EQ (form->getWidth(), 400);
    EXPECT_EQ (FormProbe (*dynamic_cast<MainComponent*> (form)).createButton().getY(), 448);
}

TEST (SettingsStore, ParametersAndLocation)
{
    auto options = QuillmereApplication::getSettingsOptions ("Quillmere");

    EXPECT_EQ (options.applicationName, "Quillmere");
    EXPECT_EQ (options.folderName, "Vostrand/Quillmere");
    EXPECT_EQ (options.filenameSuffix, ".settings");
    EXPECT_EQ (options.osxLibrarySubFolder, "Application Support");
    EXPECT_FALSE (options.commonToAllUsers);
    EXPECT_FALSE (options.ignoreCaseOfKeyNames);
    EXPECT_FALSE (options.doNotSave);
    EXPECT_EQ (options.millisecondsBeforeSaving, 3000);
    EXPECT_EQ (options.storageFormat, juce::PropertiesFile::storeAsXML);
    EXPECT_EQ (options.processLock, nullptr);

   #if JUCE_MAC
    const auto expected = juce::File ("~/Library/Application Support/Vostrand/Quillmere/Quillmere.settings");
   #else
    const auto expected = juce::File ("~/Vostrand/Quillmere/Quillmere.settings");
   #endif
    EXPECT_EQ (options.getDefaultFile(), expected);
}

TEST (SettingsStore, AFormOutsideTheApplicationReadsAndWritesNothing)
{
    ScratchFolder scratch;
    const auto oldHome = juce::SystemStats::getEnvironmentVariable ("HOME", {});
    setenv ("HOME", scratch.folder.getFullPathName().toRawUTF8(), 1);

    {
        MainComponent form;
        FormProbe probe (form);
        EXPECT_TRUE (probe.appleIdEditor().isEmpty());
        probe.fillTexts();
    }

    setenv ("HOME", oldHome.toRawUTF8(), 1);
    // Other libraries may leave caches in the home folder; no settings may appear.
    EXPECT_FALSE (scratch.folder.getChildFile ("Vostrand").exists());
    EXPECT_EQ (scratch.folder.findChildFiles (juce::File::findFiles, true, "*.settings").size(), 0);
}

TEST (SettingsStore, EveryValueIsStoredAsTextAndReadBackExactlyByTheFramework)
{
    ScratchFolder scratch;
    const auto file = scratch.folder.getChildFile ("Vostrand/Quillmere/Quillmere.settings");
    const auto options = QuillmereApplication::getSettingsOptions ("Quillmere");

    // As earlier builds wrote it: a value that parses as XML as an element.
    ASSERT_TRUE (file.getParentDirectory().createDirectory());
    ASSERT_TRUE (file.replaceWithText ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<PROPERTIES>\n"
                                       "  <VALUE name=\"Password\" val=\"&lt;Pa55&amp;#word\"/>\n"
                                       "  <VALUE name=\"Team\"><t a=\"1\"/></VALUE>\n</PROPERTIES>\n"));

    juce::Random random (20261209);
    juce::String password;

    for (int i = 0; i < 1000; ++i)
        password << (juce::juce_wchar) random.nextInt ({ 32, 127 });

    const juce::StringArray values { "<Tom & Jerry> &#169; 2024", "<?abc?>xyz", "<a b='1'/> ", "<x>&#65;</x>",
                                     "<a><?x?>b</a>", juce::String::repeatedString ("<a>", 2000) + juce::String::repeatedString ("</a>", 2000),
                                     juce::String::repeatedString ("<a>", 100000) + juce::String::repeatedString ("</a>", 100000),
                                     "<" + password, juce::String::fromUTF8 (" \xf0\x9f\x8e\xb9 caf\xc3\xa9\t\"'\n") };

    {
        juce::PropertiesFile settings (file, options);
        EXPECT_EQ (settings.getValue ("Password"), "<Pa55&#word");
        EXPECT_EQ (settings.getValue ("Team"), "<t a=\"1\"/>");

        for (int i = 0; i < values.size(); ++i)
            settings.setValue ("Value" + juce::String (i), values[i]);

        EXPECT_TRUE (saveSettingsIfNeeded (settings));
        EXPECT_FALSE (settings.needsToBeSaved());
    }

    // Nothing but values given as text: the store did not write the file again itself.
    const auto document = juce::parseXML (file);
    ASSERT_NE (document, nullptr);
    EXPECT_EQ (document->getNumChildElements(), values.size() + 2);

    for (auto* value : document->getChildIterator())
    {
        EXPECT_EQ (value->getTagName(), "VALUE");
        EXPECT_TRUE (value->hasAttribute ("val")) << value->getStringAttribute ("name");
        EXPECT_EQ (value->getNumChildElements(), 0) << value->getStringAttribute ("name");
    }

    const juce::PropertiesFile reread (file, options);
    EXPECT_EQ (reread.getValue ("Password"), "<Pa55&#word");
    EXPECT_EQ (reread.getValue ("Team"), "<t a=\"1\"/>");

    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ (reread.getValue ("Value" + juce::String (i)), values[i]) << values[i].substring (0, 40);

    struct stat info;
    ASSERT_EQ (::stat (file.getFullPathName().toRawUTF8(), &info), 0);
    EXPECT_EQ (info.st_mode & 0777, 0600u);

    // A file that cannot be written is told, and never left to the store's own writer.
    const auto blocker = scratch.folder.getChildFile ("not-a-folder");
    ASSERT_TRUE (blocker.replaceWithText ("x"));
    juce::PropertiesFile blocked (blocker.getChildFile ("Quillmere.settings"), options);
    blocked.setValue ("Password", "<a b='1'/>");
    EXPECT_FALSE (saveSettingsIfNeeded (blocked));
    EXPECT_FALSE (blocked.needsToBeSaved());
}
