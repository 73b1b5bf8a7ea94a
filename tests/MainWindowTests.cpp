// The main window as the application opens it, and the settings store: its
// location, and the file that the form writes.

#include "tests/BuilderTestTools.h"
#include "app/QuillmereApplication.h"
#include "form/RememberedFields.h"

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

        EXPECT_TRUE (saveSettingsIfNeeded (settings).wasOk());
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
    EXPECT_TRUE (saveSettingsIfNeeded (blocked).failed());
    EXPECT_FALSE (blocked.needsToBeSaved());
}

namespace
{
    constexpr off_t fileSizeLimit = 3000;
    volatile sig_atomic_t modeWhenRefused = -1;

    /** Runs inside the write that would pass the size limit: notes the mode of the
        file being written, the one open file that has reached the limit.
    */
    void noteModeOfFileBeingWritten (int)
    {
        for (int fd = 3; fd < 1024; ++fd)
        {
            struct stat info;

            if (::fstat (fd, &info) == 0 && S_ISREG (info.st_mode) && info.st_size == fileSizeLimit)
                modeWhenRefused = (int) (info.st_mode & 07777);
        }
    }

    mode_t modeOf (const juce::File& file)
    {
        struct stat info;
        return ::stat (file.getFullPathName().toRawUTF8(), &info) == 0 ? info.st_mode & 07777 : 0;
    }

    juce::StringArray namesIn (const juce::File& folder)
    {
        juce::StringArray names;

        for (auto& entry : folder.findChildFiles (juce::File::findFilesAndDirectories, false, "*", juce::File::FollowSymlinks::no))
            names.add (entry.getFileName());

        names.sort (false);
        return names;
    }
}

TEST (SettingsStore, TheFileIsReplacedOnlyWholeByAnOwnerOnlyFileAndNeverOverAnUnreadableFileOrALink)
{
    ScratchFolder scratch;
    const auto options = QuillmereApplication::getSettingsOptions ("Quillmere");
    const auto folder = scratch.folder.getChildFile ("Vostrand/Quillmere");
    const auto file = folder.getChildFile ("Quillmere.settings");

    {
        SCOPED_TRACE ("a write that stops short, as on a full disk, under umask 0");
        const auto oldMask = ::umask (0);
        juce::PropertiesFile first (file, options);
        first.setValue ("Team", juce::String::repeatedString ("Jane Doe (AB12CD34EF) ", 300));
        ASSERT_TRUE (saveSettingsIfNeeded (first).wasOk());
        juce::MemoryBlock stored;
        ASSERT_TRUE (file.loadFileAsData (stored));
        ASSERT_GT ((off_t) stored.getSize(), fileSizeLimit);

        juce::PropertiesFile second (file, options);
        second.setValue ("AppleID", "dev.jane@example.com");

        // Past the limit, write stops short and then fails, as it does when the disk fills up.
        const auto oldHandler = std::signal (SIGXFSZ, noteModeOfFileBeingWritten);
        rlimit oldLimit {};
        ASSERT_EQ (::getrlimit (RLIMIT_FSIZE, &oldLimit), 0);
        rlimit limit { (rlim_t) fileSizeLimit, oldLimit.rlim_max };
        ASSERT_EQ (::setrlimit (RLIMIT_FSIZE, &limit), 0);

        const auto saved = saveSettingsIfNeeded (second);

        ::setrlimit (RLIMIT_FSIZE, &oldLimit);
        std::signal (SIGXFSZ, oldHandler);
        ::umask (oldMask);

        EXPECT_EQ (saved.getErrorMessage(), "File too large");
        EXPECT_FALSE (second.needsToBeSaved());
        EXPECT_EQ (modeWhenRefused, 0600) << "the file that held the password was open to others";

        // With the signal at its default action, as the app runs, the limit must
        // fail the write too, not end the process.
        second.setValue ("AppleID", "other.jane@example.com");
        const auto child = ::fork();
        ASSERT_GE (child, 0);

        if (child == 0)
        {
            std::signal (SIGXFSZ, SIG_DFL);
            ::setrlimit (RLIMIT_FSIZE, &limit);
            ::_exit (saveSettingsIfNeeded (second).getErrorMessage() == "File too large" ? 0 : 1);
        }

        int status = 0;
        ASSERT_EQ (::waitpid (child, &status, 0), child);
        EXPECT_TRUE (WIFEXITED (status) && WEXITSTATUS (status) == 0)
            << (WIFSIGNALED (status) ? "ended by signal " + std::to_string (WTERMSIG (status)) : "status " + std::to_string (status));

        juce::MemoryBlock afterwards;
        ASSERT_TRUE (file.loadFileAsData (afterwards));
        EXPECT_TRUE (afterwards == stored);
        EXPECT_EQ (namesIn (folder), juce::StringArray ("Quillmere.settings"));
        EXPECT_EQ (modeOf (file), 0600u);
        EXPECT_EQ (modeOf (folder), 0700u);
        EXPECT_EQ (modeOf (folder.getParentDirectory()), 0700u);
    }

    {
        SCOPED_TRACE ("a file that the store could not read is kept, never over an earlier copy");
        const juce::String unreadable ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n"
                                       "  <VALUE name=\"Team\" val=\"Tom & Jerry (AB12)\"/>\n</PROPERTIES>\n");
        ASSERT_TRUE (file.replaceWithText (unreadable, false, false, "\n"));
        ASSERT_TRUE (folder.getChildFile ("Quillmere.settings.unreadable").replaceWithText ("kept earlier"));

        juce::PropertiesFile settings (file, options);
        ASSERT_FALSE (settings.isValidFile());
        settings.setValue ("Team", "Tom and Jerry (AB12)");

        builder_testing::DiagnosticCapture capture;
        EXPECT_TRUE (saveSettingsIfNeeded (settings).wasOk());

        const auto kept = folder.getChildFile ("Quillmere.settings.unreadable.1");
        EXPECT_EQ (kept.loadFileAsString(), unreadable);
        EXPECT_EQ (folder.getChildFile ("Quillmere.settings.unreadable").loadFileAsString(), "kept earlier");
        EXPECT_EQ (capture.lines(), builder_testing::Texts { "The settings file " + file.getFullPathName()
                                                               + " could not be read; it is kept as " + kept.getFullPathName() + "." });
        EXPECT_EQ (juce::PropertiesFile (file, options).getValue ("Team"), "Tom and Jerry (AB12)");
    }

    {
        SCOPED_TRACE ("a link at the settings path stays a link; the file it leads to is replaced");
        const auto elsewhere = scratch.folder.getChildFile ("elsewhere");
        const auto target = elsewhere.getChildFile ("mine.settings");
        ASSERT_TRUE (elsewhere.createDirectory());
        ASSERT_TRUE (target.replaceWithText ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES/>\n"));
        ::chmod (elsewhere.getFullPathName().toRawUTF8(), 0755);
        ::chmod (target.getFullPathName().toRawUTF8(), 0644);

        ASSERT_TRUE (file.deleteFile());
        ASSERT_EQ (::symlink ("../../elsewhere/mine.settings", file.getFullPathName().toRawUTF8()), 0);

        juce::PropertiesFile settings (file, options);
        settings.setValue ("Password", "abcd-efgh-ijkl-mnop");
        EXPECT_TRUE (saveSettingsIfNeeded (settings).wasOk());

        char linkText[256] {};
        EXPECT_EQ (::readlink (file.getFullPathName().toRawUTF8(), linkText, sizeof (linkText) - 1), 29);
        EXPECT_STREQ (linkText, "../../elsewhere/mine.settings");
        EXPECT_EQ (juce::PropertiesFile (target, options).getValue ("Password"), "abcd-efgh-ijkl-mnop");
        EXPECT_EQ (modeOf (target), 0600u);
        EXPECT_EQ (modeOf (elsewhere), 0755u);
        EXPECT_EQ (namesIn (elsewhere), juce::StringArray ("mine.settings"));
    }
}
