// libFuzzer target: every input becomes the Contents/Info.plist of a bundle
// folder, which readBundleInfo then reads. Besides crashes, hangs and memory
// errors (caught by the sanitizers and libFuzzer's -timeout), it checks:
// - the reader's result and its outputs: written together and only on
//   success, non-empty and trimmed; a failure shows either no dialog or one of
//   the two texts; a success shows none;
// - the parse guard against the real parser: for a document it lets through,
//   it predicts whether the parser yields a document element, and the tree is
//   no deeper than the nesting it measured; a document it refuses as
//   unparsable indeed fails to parse (checked where that is safe to try).

#include "builder/BundleInfo.cpp"
#include "tests/fuzz/FuzzMessages.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace
{
    juce::File bundleFolder;

    [[noreturn]] void fail (const char* what, const juce::String& detail = {})
    {
        std::fprintf (stderr, "FUZZ CHECK FAILED: %s %s\n", what, detail.toRawUTF8());
        std::abort();
    }

    int treeDepth (const juce::XmlElement& root)
    {
        juce::Array<std::pair<const juce::XmlElement*, int>> stack;
        stack.add ({ &root, 1 });
        int deepest = 0;

        while (! stack.isEmpty())
        {
            const auto [element, level] = stack.removeAndReturn (stack.size() - 1);

            if (element->isTextElement())
                continue;

            deepest = juce::jmax (deepest, level);

            for (auto* child : element->getChildIterator())
                stack.add ({ child, level + 1 });
        }

        return deepest;
    }

    void checkGuardAgainstParser (const uint8_t* data, size_t size)
    {
        juce::MemoryBlock bytes (data, size);
        juce::String text;

        if ((juce::int64) size > maxPropertyListBytes || ! decodePropertyList (bytes, text))
            return;

        ParseGuard guard (text);

        if (guard.check())
        {
            const auto document = juce::XmlDocument (text).getDocumentElement();

            if ((document != nullptr) != guard.documentExpected())
                fail ("guard's prediction differs from the parser", document != nullptr ? "(parsed)" : "(failed)");

            if (document != nullptr && treeDepth (*document) > guard.getMaxDepth() + 1)
                fail ("tree deeper than the guard measured", juce::String (treeDepth (*document)) + " > " + juce::String (guard.getMaxDepth()));

            return;
        }

        // Only where the parser cannot go deep or expand entities: no '&', few '<'.
        if (guard.refusedAsUnparsable()
             && ! text.containsChar ('&')
             && text.length() - text.removeCharacters ("<").length() <= 300)
        {
            if (juce::XmlDocument (text).getDocumentElement() != nullptr)
                fail ("refused as unparsable, but the parser reads it");
        }
    }
}

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    bundleFolder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                     .getChildFile ("quillmere-fuzz-" + juce::String ((int) getpid()))
                     .getChildFile ("Fuzzed.vst3");
    bundleFolder.getChildFile ("Contents").createDirectory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const auto plist = bundleFolder.getChildFile ("Contents").getChildFile ("Info.plist");

    // Written directly: File::replaceWithData deletes the file for empty data.
    if (auto* file = std::fopen (plist.getFullPathName().toRawUTF8(), "wb"))
    {
        const auto written = std::fwrite (data, 1, size, file);
        std::fclose (file);

        if (written != size)
            fail ("cannot write", plist.getFullPathName());
    }
    else
    {
        fail ("cannot open", plist.getFullPathName());
    }

    fuzz_messages::numDialogs = 0;
    juce::String bundleId ("earlier id"), version ("earlier version");

    const auto ok = readBundleInfo (bundleFolder.getFullPathName(), bundleId, version);

    if (ok)
    {
        if (fuzz_messages::numDialogs != 0)
            fail ("dialog on success");

        if (bundleId.isEmpty() || version.isEmpty() || bundleId != bundleId.trim() || version != version.trim())
            fail ("bad outputs on success", bundleId + " / " + version);
    }
    else
    {
        if (bundleId != "earlier id" || version != "earlier version")
            fail ("outputs touched on failure");

        if (fuzz_messages::numDialogs > 1
             || (fuzz_messages::numDialogs == 1 && fuzz_messages::lastDialogText != "Failed to parse Info.plist."))
            fail ("unexpected dialog", fuzz_messages::lastDialogText);
    }

    checkGuardAgainstParser (data, size);
    return 0;
}
