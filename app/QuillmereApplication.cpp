#include "app/QuillmereApplication.h"
#include "app/TerminationSignals.h"
#include "builder/Messages.h"
#include "form/MainComponent.h"

#include <cstdlib>

namespace
{
    /** What to tell a user who started us without a display to show the window on. */
    juce::String describeMissingDisplay()
    {
       #if JUCE_LINUX || JUCE_BSD
        // The framework opens the display that DISPLAY names, or else ":0.0".
        const juce::String name (std::getenv ("DISPLAY"));

        if (name.isEmpty())
            return "Quillmere needs a graphical display, and none is set: DISPLAY is empty, "
                   "and the default display :0.0 could not be opened.";

        return "Quillmere needs a graphical display, and the display \"" + name + "\" could not be opened.";
       #else
        return "Quillmere needs a graphical display, and none was found.";
       #endif
    }
}

//==============================================================================
QuillmereApplication::QuillmereApplication() = default;
QuillmereApplication::~QuillmereApplication() = default;

const juce::String QuillmereApplication::getApplicationName()       { return "Quillmere"; }
const juce::String QuillmereApplication::getApplicationVersion()    { return "0.0.2"; }
bool QuillmereApplication::moreThanOneInstanceAllowed()             { return true; }

juce::PropertiesFile::Options QuillmereApplication::getSettingsOptions (const juce::String& applicationName)
{
    juce::PropertiesFile::Options options;
    options.applicationName     = applicationName;
    options.folderName          = "Vostrand/Quillmere";
    options.filenameSuffix      = ".settings";
    options.osxLibrarySubFolder = "Application Support";
    return options;
}

void QuillmereApplication::initialise (const juce::String&)
{
    // First of all, so that a log-out during a slow start still ends in the normal quit.
    terminationSignals = std::make_unique<TerminationSignals>();

    // Without a display there is nowhere to put the window: say so, and end.
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
    {
        writeDiagnosticLine (describeMissingDisplay());
        setApplicationReturnValue (1);
        quit();
        return;
    }

    // The store must know its parameters before the form asks it for the user settings.
    appProperties.setStorageParameters (getSettingsOptions (getApplicationName()));

    mainWindow.reset (new MainWindow (getApplicationName()));
}

void QuillmereApplication::shutdown()
{
    // Deleting the window deletes the form, which saves the remembered fields.
    mainWindow = nullptr;
}

void QuillmereApplication::anotherInstanceStarted (const juce::String&)
{
    // Files that the system asks us to open are ignored.
}

void QuillmereApplication::systemRequestedQuit()
{
    quit();
}

//==============================================================================
QuillmereApplication::MainWindow::MainWindow (const juce::String& name)
    : DocumentWindow (name,
                      juce::Desktop::getInstance().getDefaultLookAndFeel()
                                                  .findColour (juce::ResizableWindow::backgroundColourId),
                      DocumentWindow::allButtons)
{
    setUsingNativeTitleBar (true);
    setContentOwned (new MainComponent(), true);

    setResizable (true, true);
    setResizeLimits (minimumWidth, minimumHeight, maximumWidth, maximumHeight);
    centreWithSize (getWidth(), getHeight());

    setVisible (true);
}

QuillmereApplication::MainWindow::~MainWindow() = default;

void QuillmereApplication::MainWindow::closeButtonPressed()
{
    juce::JUCEApplication::getInstance()->systemRequestedQuit();
}
