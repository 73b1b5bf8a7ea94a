#pragma once

// Shared by the builder's tests: recording stand-ins for pkgbuild and
// productbuild on the PATH, capture of the diagnostic lines, and a form filled
// with real bundles on disk.

#include <juce_gui_basics/juce_gui_basics.h>
#include <gtest/gtest.h>

#include "tests/FormProbe.h"
#include "platform/TemporaryFolder.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace builder_testing
{
    /** A list of texts as the tests compare them (the test framework prints it element by element). */
    using Texts = std::vector<juce::String>;

    inline Texts toTexts (const juce::StringArray& items)
    {
        return Texts (items.begin(), items.end());
    }

    inline bool contains (const Texts& items, const juce::String& item)
    {
        return std::find (items.begin(), items.end(), item) != items.end();
    }

    /** Splits a file of NUL-terminated UTF-8 strings. */
    inline Texts readNulSeparated (const juce::File& file)
    {
        juce::MemoryBlock data;
        Texts result;

        if (! file.loadFileAsData (data))
            return result;

        auto* bytes = static_cast<const char*> (data.getData());
        size_t start = 0;

        for (size_t i = 0; i < data.getSize(); ++i)
        {
            if (bytes[i] == 0)
            {
                result.push_back (juce::String::fromUTF8 (bytes + start, (int) (i - start)));
                start = i + 1;
            }
        }

        return result;
    }

    /** The listing of a folder tree: relative paths, folders with a trailing slash, sorted. */
    inline Texts listTree (const juce::File& root)
    {
        juce::StringArray result;

        for (const auto& entry : juce::RangedDirectoryIterator (root, true, "*", juce::File::findFilesAndDirectories
                                                                                 | juce::File::ignoreHiddenFiles))
        {
            auto path = entry.getFile().getRelativePathFrom (root);
            result.add (entry.isDirectory() ? path + "/" : path);
        }

        result.sort (false);
        return toTexts (result);
    }

    //==============================================================================
    /** pkgbuild and productbuild stand-ins that record every call, put first on the PATH.

        Each call appends the tool's name to "calls", writes its arguments
        (NUL-terminated, so any argument survives exactly) to "<tool>.<n>.args",
        and keeps a copy of what it was given: pkgbuild copies the tree under
        --root to "pkgbuild.<n>.root"; productbuild copies the definition to
        "productbuild.<n>.distribution" and lists the --package-path folder in
        "productbuild.<n>.staging". The exit status is read from "<tool>.status"
        (0 when missing); on 0 the tool writes its output file.
    */
    struct RecordingTools
    {
        explicit RecordingTools (const juce::File& folder)
            : binFolder (folder.getChildFile ("bin")),
              records (folder.getChildFile ("records"))
        {
            binFolder.createDirectory();
            records.createDirectory();

            const auto r = "R='" + records.getFullPathName() + "'\n";

            const juce::String counter =
                "n=$(( $(cat \"$R/$tool.count\" 2>/dev/null || echo 0) + 1 ))\n"
                "echo \"$n\" > \"$R/$tool.count\"\n"
                "echo \"$tool\" >> \"$R/calls\"\n"
                "printf '%s\\0' \"$@\" > \"$R/$tool.$n.args\"\n"
                "status=$(cat \"$R/$tool.status\" 2>/dev/null || echo 0)\n";

            writeScript ("pkgbuild",
                         "#!/bin/sh\n" + r + "tool=pkgbuild\n" + counter +
                         "root=; prev=; out=\n"
                         "for a in \"$@\"; do\n"
                         "    if [ \"$prev\" = --root ]; then root=$a; fi\n"
                         "    prev=$a; out=$a\n"
                         "done\n"
                         "if [ -d \"$root\" ]; then cp -R \"$root\" \"$R/pkgbuild.$n.root\"; fi\n"
                         "if [ \"$status\" -eq 0 ]; then printf 'component package\\n' > \"$out\"; fi\n"
                         "exit \"$status\"\n");

            writeScript ("productbuild",
                         "#!/bin/sh\n" + r + "tool=productbuild\n" + counter +
                         "dist=; staging=; prev=; out=\n"
                         "for a in \"$@\"; do\n"
                         "    case \"$prev\" in\n"
                         "        --distribution) dist=$a ;;\n"
                         "        --package-path) staging=$a ;;\n"
                         "        --output) out=$a ;;\n"
                         "    esac\n"
                         "    prev=$a\n"
                         "done\n"
                         "if [ -f \"$dist\" ]; then cp \"$dist\" \"$R/productbuild.$n.distribution\"; fi\n"
                         "if [ -d \"$staging\" ]; then ls -A \"$staging\" > \"$R/productbuild.$n.staging\"; fi\n"
                         "if [ \"$status\" -eq 0 ]; then printf 'product package\\n' > \"$out\"; fi\n"
                         "exit \"$status\"\n");

            if (auto* path = std::getenv ("PATH"))
                previousPath = path;

            setenv ("PATH", (binFolder.getFullPathName() + ":" + previousPath).toRawUTF8(), 1);
        }

        ~RecordingTools()
        {
            setenv ("PATH", previousPath.toRawUTF8(), 1);
        }

        void setStatus (const juce::String& tool, int status)
        {
            records.getChildFile (tool + ".status").replaceWithText (juce::String (status));
        }

        /** The tools called so far, in order. */
        Texts calls() const
        {
            juce::StringArray lines;
            records.getChildFile ("calls").readLines (lines);
            lines.removeEmptyStrings();
            return toTexts (lines);
        }

        int count (const juce::String& tool) const
        {
            int n = 0;

            for (auto& call : calls())
                n += call == tool ? 1 : 0;

            return n;
        }

        /** The arguments of the n-th call (from 1) of a tool. */
        Texts arguments (const juce::String& tool, int n) const
        {
            return readNulSeparated (records.getChildFile (tool + "." + juce::String (n) + ".args"));
        }

        /** The value after an option in the n-th call of a tool. */
        juce::String option (const juce::String& tool, int n, const juce::String& name) const
        {
            const auto args = arguments (tool, n);
            const auto found = std::find (args.begin(), args.end(), name);

            if (found == args.end() || found + 1 == args.end())
                return "<missing " + name + ">";

            return *(found + 1);
        }

        /** The payload tree that the n-th pkgbuild call saw under --root. */
        juce::File payload (int n) const            { return records.getChildFile ("pkgbuild." + juce::String (n) + ".root"); }

        /** The definition that the n-th productbuild call was given. */
        juce::File distribution (int n) const       { return records.getChildFile ("productbuild." + juce::String (n) + ".distribution"); }

        Texts stagingListing (int n) const
        {
            juce::StringArray lines;
            records.getChildFile ("productbuild." + juce::String (n) + ".staging").readLines (lines);
            lines.removeEmptyStrings();
            lines.sort (false);
            return toTexts (lines);
        }

        juce::File binFolder, records;
        juce::String previousPath;

    private:
        void writeScript (const juce::String& name, const juce::String& text)
        {
            auto script = binFolder.getChildFile (name);
            script.replaceWithText (text, false, false, "\n");
            script.setExecutePermission (true);
        }
    };

    //==============================================================================
    /** Collects what is written to std::cerr while it lives. */
    struct DiagnosticCapture
    {
        DiagnosticCapture()     { previous = std::cerr.rdbuf (captured.rdbuf()); }
        ~DiagnosticCapture()    { std::cerr.rdbuf (previous); }

        /** The lines written, less the framework's own debug noise (X errors, assertions). */
        Texts lines() const
        {
            juce::StringArray all;
            all.addLines (juce::String (captured.str()));
            Texts result;

            for (auto& line : all)
                if (line.isNotEmpty() && ! line.startsWith ("ERROR: X returned") && ! line.startsWith ("JUCE Assertion"))
                    result.push_back (line);

            return result;
        }

        std::ostringstream captured;
        std::streambuf* previous = nullptr;
    };

    /** Runs the test in a working folder of its own, so that a command that
        escaped its quotes would leave its marker file there.
    */
    struct WorkingFolder
    {
        explicit WorkingFolder (const juce::File& folder)
            : previous (juce::File::getCurrentWorkingDirectory())
        {
            folder.createDirectory();
            folder.setAsCurrentWorkingDirectory();
        }

        ~WorkingFolder()    { previous.setAsCurrentWorkingDirectory(); }

        juce::File previous;
    };

    inline juce::String xmlText (const juce::String& text)
    {
        return text.replace ("&", "&amp;").replace ("<", "&lt;").replace (">", "&gt;");
    }

    inline juce::File stagingFolder()   { return getBuildTemporaryDirectory().getChildFile ("createInstallerTemp"); }
    inline juce::File payloadRoot()     { return getBuildTemporaryDirectory().getChildFile ("createPkgTemp"); }

    //==============================================================================
    /** A form with the texts filled, recording tools on the PATH, a destination
        folder, and helpers that put real bundles into the rows.
    */
    class RoadTest  : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            tools = std::make_unique<RecordingTools> (scratch.folder.getChildFile ("tools"));
            working = std::make_unique<WorkingFolder> (scratch.folder.getChildFile ("work"));
            bundles = scratch.folder.getChildFile ("bundles");
            bundles.createDirectory();
            destination = scratch.folder.getChildFile ("Installers");
            destination.createDirectory();

            form = std::make_unique<MainComponent>();
            probe = std::make_unique<FormProbe> (*form);
            probe->fillTexts();
        }

        void TearDown() override
        {
            testing_helpers::closeAllDialogs();
            probe = nullptr;
            form = nullptr;
            working = nullptr;
            tools = nullptr;
        }

        /** Makes "<name><extension>" with the identifier and version and puts it into its row. */
        juce::File addBundle (BundleKind kind, const juce::String& name,
                              const juce::String& bundleId, const juce::String& version)
        {
            const auto& info = getBundleKindInfo (kind);
            auto bundle = testing_helpers::makeBundle (bundles, name + info.extension,
                                                       testing_helpers::makePlist (xmlText (bundleId), xmlText (version)));

            switch (kind)
            {
                case BundleKind::app:   form->setAppPath (bundle.getFullPathName()); break;
                case BundleKind::au:    form->setAuPath (bundle.getFullPathName()); break;
                case BundleKind::vst3:  form->setVst3Path (bundle.getFullPathName()); break;
                case BundleKind::vst:   form->setVstPath (bundle.getFullPathName()); break;
            }

            EXPECT_EQ (probe->row (kind).path, bundle.getFullPathName()) << "the bundle reader did not take " << name;
            return bundle;
        }

        /** Runs the whole road for a chosen folder, collecting the diagnostic lines. */
        Texts runRoad (const juce::File& chosen)
        {
            DiagnosticCapture capture;
            form->destinationChosen (chosen);
            return capture.lines();
        }

        Texts runRoad()                 { return runRoad (destination); }

        juce::String commandField()     { return probe->notarizationCommandEditor().getText(); }

        /** The dialogs on screen, each as "<title>: <text>", with a "(warning)" mark for the warning icon. */
        static Texts alertTexts()
        {
            testing_helpers::pump (30);
            Texts texts;

            for (auto* alert : testing_helpers::findAlertWindows())
            {
                const auto text = testing_helpers::dialogText (*alert);
                const auto mark = alert->getAlertType() == juce::MessageBoxIconType::WarningIcon ? "(warning) " : "";
                texts.push_back (mark + alert->getName() + ": " + text);
            }

            return texts;
        }

        testing_helpers::ScratchFolder scratch;
        std::unique_ptr<RecordingTools> tools;
        std::unique_ptr<WorkingFolder> working;
        juce::File bundles, destination;
        std::unique_ptr<MainComponent> form;
        std::unique_ptr<FormProbe> probe;
    };
}
