#include "builder/BundleInfo.h"

#include "builder/Messages.h"
#include "builder/XmlCheck.h"

#include <sys/stat.h>

namespace
{
    const char* const missingPropertyListText = "Info.plist file does not exist at path.";
    const char* const unparsablePropertyListText = "Failed to parse Info.plist.";

    /*  Only against memory exhaustion: a real Info.plist is a few kilobytes, one
        with embedded icon data a few megabytes.
    */
    constexpr juce::int64 maxPropertyListBytes = 64 * 1024 * 1024;

    //==============================================================================
    /** True for a plain file: not a folder, device, socket or named pipe (reading
        one of those could block or never end).
    */
    bool isRegularFile (const juce::File& file)
    {
        struct stat info;
        return ::stat (file.getFullPathName().toRawUTF8(), &info) == 0 && S_ISREG (info.st_mode);
    }

    /** Reads the whole file, refusing files that are not plain files or are too large. */
    bool readFileBytes (const juce::File& file, juce::MemoryBlock& bytes)
    {
        if (! isRegularFile (file) || file.getSize() > maxPropertyListBytes)
            return false;

        juce::FileInputStream in (file);

        if (in.failedToOpen())
            return false;

        // One byte more than allowed: a file that grew since it was measured is still caught.
        const auto numRead = in.readIntoMemoryBlock (bytes, (ssize_t) maxPropertyListBytes + 1);

        return in.getStatus().wasOk() && (juce::int64) numRead <= maxPropertyListBytes;
    }

    /** The length of the well-formed UTF-8 sequence that starts at bytes[i], or 0
        when none starts there (a stray continuation byte, a truncated or over-long
        sequence, a surrogate, anything above U+10FFFF).
    */
    size_t utf8SequenceLength (const juce::uint8* bytes, size_t i, size_t size)
    {
        const auto lead = bytes[i];

        if (lead < 0x80)
            return 1;

        size_t numExtra = 0;
        juce::uint8 low = 0x80, high = 0xbf;

        if (lead >= 0xc2 && lead <= 0xdf)       { numExtra = 1; }
        else if (lead == 0xe0)                  { numExtra = 2; low = 0xa0; }
        else if (lead == 0xed)                  { numExtra = 2; high = 0x9f; }
        else if (lead >= 0xe1 && lead <= 0xef)  { numExtra = 2; }
        else if (lead == 0xf0)                  { numExtra = 3; low = 0x90; }
        else if (lead >= 0xf1 && lead <= 0xf3)  { numExtra = 3; }
        else if (lead == 0xf4)                  { numExtra = 3; high = 0x8f; }
        else                                    { return 0; }

        if (size - i <= numExtra)
            return 0;

        for (size_t n = 1; n <= numExtra; ++n)
        {
            const auto next = bytes[i + n];

            if (next < (n == 1 ? low : 0x80) || next > (n == 1 ? high : 0xbf))
                return 0;
        }

        return numExtra + 1;
    }

    /** The bytes as well-formed UTF-8: every byte that starts no well-formed
        sequence is taken as the Latin-1 character of that value, which is what a
        property list saved in that older encoding means by it.
    */
    juce::String decodeUtf8Leniently (const juce::uint8* bytes, size_t size)
    {
        juce::MemoryOutputStream repaired (size + 16);
        size_t i = 0;

        while (i < size)
        {
            if (const auto length = utf8SequenceLength (bytes, i, size))
            {
                repaired.write (bytes + i, length);
                i += length;
            }
            else
            {
                const auto c = bytes[i++];
                repaired.writeByte ((char) (0xc0 | (c >> 6)));
                repaired.writeByte ((char) (0x80 | (c & 0x3f)));
            }
        }

        return repaired.toUTF8();
    }

    /** UTF-16 after its byte-order mark, in either byte order, up to its first
        zero unit. A surrogate that is not part of a pair becomes U+FFFD.
    */
    juce::String decodeUtf16 (const juce::uint8* data, size_t size)
    {
        const auto bigEndian = juce::CharPointer_UTF16::isByteOrderMarkBigEndian (data);
        const auto numUnits = size / 2 - 1;

        auto unitAt = [data, bigEndian] (size_t i)
        {
            const auto* unit = data + 2 + 2 * i;
            return (juce::juce_wchar) (bigEndian ? (unit[0] << 8) | unit[1] : (unit[1] << 8) | unit[0]);
        };

        auto isHighSurrogate = [] (juce::juce_wchar c)   { return c >= 0xd800 && c <= 0xdbff; };
        auto isLowSurrogate  = [] (juce::juce_wchar c)   { return c >= 0xdc00 && c <= 0xdfff; };

        juce::MemoryOutputStream utf8 (size + size / 2);

        for (size_t i = 0; i < numUnits; ++i)
        {
            const auto unit = unitAt (i);

            if (unit == 0)
                break;

            if (isHighSurrogate (unit) && i + 1 < numUnits && isLowSurrogate (unitAt (i + 1)))
            {
                utf8.appendUTF8Char (0x10000 + ((unit - 0xd800) << 10) + (unitAt (i + 1) - 0xdc00));
                ++i;
            }
            else
            {
                utf8.appendUTF8Char (isHighSurrogate (unit) || isLowSurrogate (unit) ? 0xfffd : unit);
            }
        }

        return utf8.toUTF8();
    }

    /** Turns the file's bytes into the text that the XML parser reads, as
        juce::XmlDocument does for a file: a UTF-16 file (with its byte-order
        mark) is converted, anything else is UTF-8, with or without a byte-order
        mark, read up to its first zero byte. Bytes that are not UTF-8 are taken
        as Latin-1 rather than handed on: the parser would walk malformed
        sequences past the end of its buffer.
    */
    bool decodePropertyList (const juce::MemoryBlock& bytes, juce::String& text)
    {
        const auto* data = static_cast<const juce::uint8*> (bytes.getData());
        auto size = bytes.getSize();

        // Too short to hold any element: the parser sees no input at all.
        if (size <= 2)
        {
            text = {};
            return true;
        }

        if (juce::CharPointer_UTF16::isByteOrderMarkBigEndian (data)
             || juce::CharPointer_UTF16::isByteOrderMarkLittleEndian (data))
        {
            text = decodeUtf16 (data, size);
            return true;
        }

        if (juce::CharPointer_UTF8::isByteOrderMark (data))
        {
            data += 3;
            size -= 3;
        }

        for (size_t i = 0; i < size; ++i)
        {
            if (data[i] == 0)
            {
                size = i;
                break;
            }
        }

        text = decodeUtf8Leniently (data, size);
        return true;
    }

    //==============================================================================
    /** Reads and parses the property list; null when it cannot be read or parsed,
        or when it is not safe to parse.
    */
    std::unique_ptr<juce::XmlElement> parsePropertyList (const juce::File& plistFile)
    {
        juce::MemoryBlock bytes;
        juce::String text;

        if (! readFileBytes (plistFile, bytes) || ! decodePropertyList (bytes, text))
            return {};

        if (! isSafeWellFormedXml (text))
            return {};

        // Parsed from the text already read: a document given as text cannot make
        // the parser open other files (an external DTD or entity).
        return juce::XmlDocument (text).getDocumentElement();
    }

    void appendAllSubText (const juce::XmlElement& element, juce::MemoryOutputStream& text)
    {
        if (element.isTextElement())
            text << element.getText();
        else
            for (auto* child : element.getChildIterator())
                appendAllSubText (*child, text);
    }

    /** The same text as juce::XmlElement::getAllSubText, built in one pass: that
        copies the whole text again at every level that has more than one child.
        (The nesting is bounded by the XML check.)
    */
    juce::String getAllSubText (const juce::XmlElement& element)
    {
        juce::MemoryOutputStream text;
        appendAllSubText (element, text);
        return text.toUTF8();
    }

    /** The first child of the root whose tag is "dict" in any letter case. */
    const juce::XmlElement* findDictionary (const juce::XmlElement& root)
    {
        for (auto* child : root.getChildIterator())
            if (child->getTagName().equalsIgnoreCase ("dict"))
                return child;

        return nullptr;
    }
}

//==============================================================================
bool readBundleInfo (const juce::String& bundlePath, juce::String& bundleId, juce::String& version)
{
    const juce::File plistFile (bundlePath + "/Contents/Info.plist");

    if (! plistFile.existsAsFile())
    {
        showErrorDialog (missingPropertyListText);
        return false;
    }

    const auto document = parsePropertyList (plistFile);

    if (document == nullptr)
    {
        showErrorDialog (unparsablePropertyListText);
        return false;
    }

    const auto* dictionary = findDictionary (*document);

    if (dictionary == nullptr)
        return false;

    juce::String currentKey, foundId, foundVersion;

    for (auto* child : dictionary->getChildIterator())
    {
        const auto& tag = child->getTagName();

        if (tag == "key")
        {
            currentKey = getAllSubText (*child).trim();
        }
        else if (tag == "string" && currentKey.isNotEmpty())
        {
            if (currentKey == "CFBundleIdentifier")
                foundId = getAllSubText (*child).trim();
            else if (currentKey == "CFBundleShortVersionString")
                foundVersion = getAllSubText (*child).trim();

            currentKey.clear();
        }
    }

    if (foundId.isEmpty() || foundVersion.isEmpty())
        return false;

    bundleId = foundId;
    version = foundVersion;
    return true;
}
