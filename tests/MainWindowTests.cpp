// The main window as the application opens it, and the settings store's location.

#include "tests/FormProbe.h"
#include "app/QuillmereApplication.h"

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
