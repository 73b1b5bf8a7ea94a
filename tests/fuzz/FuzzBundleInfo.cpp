// libFuzzer target: every input becomes the Contents/Info.plist of a bundle
// folder, which readBundleInfo then reads. Besides crashes, hangs and memory
// errors (caught by the sanitizers and libFuzzer's -timeout), it checks:
// - the reader's outputs: written together and only on success, non-empty and
//   trimmed; a failure shows no dialog or "Failed to parse Info.plist."; a
//   success shows none;
// - that the parser yields a document for every ASCII text that the XML check
//   lets through.

#include "builder/BundleInfo.h"
#include "builder/XmlCheck.h"
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

    void checkReader (const uint8_t* data, size_t size)
    {
        const auto plist = bundleFolder.getChildFile ("Contents").getChildFile ("Info.plist");

        // Written directly: File::replaceWithData deletes the file for empty data.
        auto* file = std::fopen (plist.getFullPathName().toRawUTF8(), "wb");

        if (file == nullptr)
            fail ("cannot open", plist.getFullPathName());

        const auto written = std::fwrite (data, 1, size, file);
        std::fclose (file);

        if (written != size)
            fail ("cannot write", plist.getFullPathName());

        fuzz_messages::numDialogs = 0;
        juce::String bundleId ("earlier id"), version ("earlier version");

        if (readBundleInfo (bundleFolder.getFullPathName(), bundleId, version))
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
    }

    void checkVerdict (const uint8_t* data, size_t size)
    {
        const auto* chars = reinterpret_cast<const char*> (data);

        // Only for ASCII: the framework's parser takes letters outside ASCII in
        // names only where the C library's locale calls them letters, and expat
        // takes a leading U+FEFF for a byte-order mark, that parser for text.
        if (! juce::CharPointer_ASCII::isValidString (chars, (int) size))
            return;

        const auto text = juce::String::fromUTF8 (chars, (int) size);

        if (isSafeWellFormedXml (text) && juce::parseXML (text) == nullptr)
            fail ("the check lets it through, but the parser yields no document");
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
    checkReader (data, size);
    checkVerdict (data, size);
    return 0;
}
