// Runs the test cases inside a JUCE application, so that windows, dialogs and
// the message loop behave as they do in the real program.

#include <juce_gui_basics/juce_gui_basics.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
    int testArgc = 0;
    char** testArgv = nullptr;

    class TestApplication  : public juce::JUCEApplication
    {
    public:
        const juce::String getApplicationName() override       { return "QuillmereTests"; }
        const juce::String getApplicationVersion() override    { return "1.0"; }
        bool moreThanOneInstanceAllowed() override             { return true; }

        void initialise (const juce::String&) override
        {
            testing::InitGoogleTest (&testArgc, testArgv);
            setApplicationReturnValue (RUN_ALL_TESTS());
            quit();
        }

        void shutdown() override {}
    };

    /** Each test process works in a temporary folder of its own. */
    void useOwnTemporaryFolder()
    {
        char pattern[] = "/tmp/quillmere-tests-XXXXXX";

        if (auto* folder = mkdtemp (pattern))
            setenv ("TMPDIR", folder, 1);
    }
}

juce::JUCEApplicationBase* juce_CreateApplication();
juce::JUCEApplicationBase* juce_CreateApplication()     { return new TestApplication(); }

int main (int argc, char* argv[])
{
    testArgc = argc;
    testArgv = argv;
    useOwnTemporaryFolder();

    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main (argc, (const char**) argv);
}
