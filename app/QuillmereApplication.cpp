#include "app/QuillmereApplication.h"
#include "form/MainComponent.h"

#if JUCE_LINUX || JUCE_BSD
 #include <signal.h>

namespace
{
    /** The framework turns SIGINT into its normal quit, but leaves SIGTERM (log-out,
        kill) and SIGHUP (the terminal that started us closing) to end the process
        on the spot, which would lose the remembered fields. Hand either on as a
        SIGINT, so that it quits the same way.
    */
    void quitOnTermination (int)
    {
        raise (SIGINT);
    }

    void installTerminationHandler()
    {
        struct sigaction action {};
        action.sa_handler = quitOnTermination;
        sigemptyset (&action.sa_mask);
        sigaction (SIGTERM, &action, nullptr);

        // Started to outlive its terminal (nohup), it goes on doing so.
        struct sigaction hangUp {};

        if (sigaction (SIGHUP, nullptr, &hangUp) == 0 && hangUp.sa_handler != SIG_IGN)
            sigaction (SIGHUP, &action, nullptr);
    }
}
#endif

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
    // The store must know its parameters before the form asks it for the user settings.
    appProperties.setStorageParameters (getSettingsOptions (getApplicationName()));

    mainWindow.reset (new MainWindow (getApplicationName()));

   #if JUCE_LINUX || JUCE_BSD
    installTerminationHandler();
   #endif
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
