// Runs the test cases inside a JUCE application, so that windows, dialogs and
// the message loop behave as they do in the real program.

#include <juce_gui_basics/juce_gui_basics.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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

    /** Each test process works in a temporary folder of its own, removed at the end. */
    std::string useOwnTemporaryFolder()
    {
        char pattern[] = "/tmp/quillmere-tests-XXXXXX";

        if (auto* folder = mkdtemp (pattern))
        {
            setenv ("TMPDIR", folder, 1);
            return folder;
        }

        return {};
    }

    void removeTemporaryFolder (const std::string& folder)
    {
        if (folder.empty())
            return;

        // Tests leave read-only folders behind now and then: open them up first.
        std::error_code error;

        for (auto& entry : std::filesystem::recursive_directory_iterator (folder, error))
            if (entry.is_directory (error) && ! entry.is_symlink (error))
                std::filesystem::permissions (entry.path(), std::filesystem::perms::owner_all,
                                              std::filesystem::perm_options::add, error);

        std::filesystem::remove_all (folder, error);
    }
}

juce::JUCEApplicationBase* juce_CreateApplication();
juce::JUCEApplicationBase* juce_CreateApplication()     { return new TestApplication(); }

int main (int argc, char* argv[])
{
    testArgc = argc;
    testArgv = argv;
    const auto temporaryFolder = useOwnTemporaryFolder();

    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    const auto result = juce::JUCEApplicationBase::main (argc, (const char**) argv);

    removeTemporaryFolder (temporaryFolder);
    return result;
}
