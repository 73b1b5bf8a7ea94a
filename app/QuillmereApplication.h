#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class TerminationSignals;

//==============================================================================
/** The application object: names the program, sets up the settings store and
    owns the one main window, which holds the installer form.
*/
class QuillmereApplication  : public juce::JUCEApplication
{
public:
    QuillmereApplication();
    ~QuillmereApplication() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;

    void initialise (const juce::String& commandLine) override;
    void shutdown() override;

    void anotherInstanceStarted (const juce::String& commandLine) override;
    void systemRequestedQuit() override;

    /** The settings store; the form reads and writes the remembered fields here. */
    juce::ApplicationProperties appProperties;

    //==============================================================================
    /** The application's only window: native title bar, the form as its content,
        and a close button that asks the application to quit.
    */
    class MainWindow    : public juce::DocumentWindow
    {
    public:
        explicit MainWindow (const juce::String& name);
        ~MainWindow() override;

        void closeButtonPressed() override;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainWindow)
    };

    /** The window limits, also used by the tests. */
    static constexpr int minimumWidth = 400;
    static constexpr int minimumHeight = 432;
    static constexpr int maximumWidth = 5000;
    static constexpr int maximumHeight = 5000;

    /** The parameters of the settings store. */
    static juce::PropertiesFile::Options getSettingsOptions (const juce::String& applicationName);

private:
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<TerminationSignals> terminationSignals;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuillmereApplication)
};
