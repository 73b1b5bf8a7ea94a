#include "builder/BundleInfo.h"

#include "builder/Messages.h"

#include <sys/stat.h>

#include <string>
#include <unordered_set>

namespace
{
    const char* const missingPropertyListText = "Info.plist file does not exist at path.";
    const char* const unparsablePropertyListText = "Failed to parse Info.plist.";

    /*  What a property list may be before it reaches juce::XmlDocument.

        A real Info.plist is a few kilobytes, nested a handful of levels deep and
        uses a dozen tag names. The XML parser, however, reads nested elements
        recursively (a document nested tens of thousands of levels deep overflows
        the stack), keeps every tag and attribute name in a global sorted pool
        (many distinct names make it quadratic), and re-searches the rest of the
        text once per open element when the last closing tag has no '>'. These
        limits keep every file, however broken, cheap and safe to read; anything
        beyond them is refused as unparsable.
    */
    constexpr juce::int64 maxPropertyListBytes = 1024 * 1024;
    constexpr int maxNestingDepth = 1000;
    constexpr size_t maxDistinctNames = 10000;

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
            text = juce::String::createStringFromData (data, (int) size);
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
    /*  Reads a document the way juce::XmlDocument does, step for step, but without
        recursion and without building anything, to find out beforehand whether
        handing it to the parser is safe. Refuses a document that:
        - nests elements deeper than maxNestingDepth;
        - uses more than maxDistinctNames tag and attribute names;
        - ends inside a closing tag: the file was cut short (the parser would
          accept it, after searching the rest of the text once per open element);
        - declares entities (a DOCTYPE with an internal subset): the parser
          substitutes entities within entities recursively and parses a
          substitution that holds markup as elements; property lists never
          declare any;
        - holds an entity reference the parser mishandles: "&#x" running into
          the end of the text (read past the end) or "&<...;" (re-parsed as
          markup);
        - runs out of text inside the root element, which always fails to parse
          and makes every open element search the rest of the text again;
        - has text right after a processing instruction inside an element, where
          the parser goes round in circles for ever.

        The steps mirror the parser's own, so that the refusals above are exact;
        for a document it lets through, documentExpected() tells whether the
        parser will produce a document element.
    */
    class ParseGuard
    {
    public:
        explicit ParseGuard (const juce::String& textToCheck)
            : text (textToCheck), input (text.getCharPointer())
        {
        }

        /** True when the document may be handed to the parser. */
        bool check()
        {
            if (input.isEmpty())
                return true;

            if (! parseHeader() || ! parseDoctype())
                return ! refused;

            const auto start = readElementStart();

            if (! refused && start == ElementStart::opened)
            {
                depth = maxDepthSeen = 1;
                readContent();
            }

            documentWillResult = ! refused && start != ElementStart::none && ! errorOccurred;
            return ! refused;
        }

        /** The deepest nesting of open elements met on the way. */
        int getMaxDepth() const noexcept            { return maxDepthSeen; }

        /** After a successful check: whether the parser will return a document element. */
        bool documentExpected() const noexcept      { return documentWillResult; }

        /** After a refusal: true when the parser would have failed on the document anyway. */
        bool refusedAsUnparsable() const noexcept   { return refusedAsFailure; }

    private:
        enum class ElementStart
        {
            none,       // no element: the parser returns nothing
            closed,     // an element without content, or one whose start tag ended early
            opened      // a start tag ended by '>': its content follows
        };

        using CharPointer = juce::String::CharPointerType;

        // The parser's own test for the characters of tag and attribute names.
        static bool isIdentifierChar (juce::juce_wchar c) noexcept
        {
            static const juce::uint32 legalChars[] = { 0, 0x7ff6000, 0x87fffffe, 0x7fffffe, 0 };

            if ((int) c < (int) juce::numElementsInArray (legalChars) * 32)
                return (legalChars[c >> 5] & (juce::uint32) (1 << (c & 31))) != 0;

            return juce::CharacterFunctions::isLetterOrDigit (c)
                     || c == '_' || c == '-' || c == ':' || c == '.';
        }

        static CharPointer findEndOfToken (CharPointer p) noexcept
        {
            while (isIdentifierChar (*p))
                ++p;

            return p;
        }

        void refuse() noexcept                              { refused = true; }
        void refuseAsFailure() noexcept                     { refused = refusedAsFailure = true; }
        void setLastError (bool carryOn) noexcept           { errorOccurred = ! carryOn; }

        juce::juce_wchar readNextChar() noexcept
        {
            const auto c = input.getAndAdvance();

            if (c == 0)
            {
                outOfData = true;
                --input;
            }

            return c;
        }

        void noteName (CharPointer start, CharPointer end)
        {
            if (start == end)
                return;

            names.insert (std::string (start.getAddress(), (size_t) (end.getAddress() - start.getAddress())));

            if (names.size() > maxDistinctNames)
                refuse();
        }

        void skipNextWhiteSpace()
        {
            for (;;)
            {
                input.incrementToEndOfWhitespace();

                if (input.isEmpty())
                {
                    outOfData = true;
                    break;
                }

                if (*input == '<')
                {
                    if (input[1] == '!' && input[2] == '-' && input[3] == '-')
                    {
                        input += 4;
                        const auto closeComment = input.indexOf (juce::CharPointer_ASCII ("-->"));

                        if (closeComment < 0)
                        {
                            outOfData = true;
                            break;
                        }

                        input += closeComment + 3;
                        continue;
                    }

                    if (input[1] == '?')
                    {
                        input += 2;
                        const auto closeBracket = input.indexOf (juce::CharPointer_ASCII ("?>"));

                        if (closeBracket < 0)
                        {
                            outOfData = true;
                            break;
                        }

                        input += closeBracket + 2;
                        continue;
                    }
                }

                break;
            }
        }

        bool parseHeader()
        {
            skipNextWhiteSpace();

            if (juce::CharacterFunctions::compareUpTo (input, juce::CharPointer_ASCII ("<?xml"), 5) == 0)
            {
                const auto headerEnd = juce::CharacterFunctions::find (input, juce::CharPointer_ASCII ("?>"));

                if (headerEnd.isEmpty())
                    return false;

                input = headerEnd + 2;
                skipNextWhiteSpace();
            }

            return true;
        }

        bool parseDoctype()
        {
            if (juce::CharacterFunctions::compareUpTo (input, juce::CharPointer_ASCII ("<!DOCTYPE"), 9) == 0)
            {
                input += 9;

                for (int n = 1; n > 0;)
                {
                    const auto c = readNextChar();

                    if (outOfData)
                        return false;

                    if (c == '<')
                        ++n;
                    else if (c == '>')
                        --n;
                    else if (c == '[')
                        refuse();
                }

                if (refused)
                    return false;
            }

            return true;
        }

        /** Steps over an entity reference as the parser does. Sets expandsToMarkup
            when the parser would read the reference's text as elements.
        */
        void readEntity (bool& expandsToMarkup)
        {
            ++input;

            if (input.compareIgnoreCaseUpTo (juce::CharPointer_ASCII ("amp;"), 4) == 0)
            {
                input += 4;
            }
            else if (input.compareIgnoreCaseUpTo (juce::CharPointer_ASCII ("quot;"), 5) == 0
                      || input.compareIgnoreCaseUpTo (juce::CharPointer_ASCII ("apos;"), 5) == 0)
            {
                input += 5;
            }
            else if (input.compareIgnoreCaseUpTo (juce::CharPointer_ASCII ("lt;"), 3) == 0
                      || input.compareIgnoreCaseUpTo (juce::CharPointer_ASCII ("gt;"), 3) == 0)
            {
                input += 3;
            }
            else if (*input == '#')
            {
                ++input;

                if (*input == 'x' || *input == 'X')
                {
                    ++input;
                    int numChars = 0;

                    while (input[0] != ';')
                    {
                        if (juce::CharacterFunctions::getHexDigitValue (input[0]) < 0 || ++numChars > 8)
                        {
                            setLastError (true);
                            break;
                        }

                        ++input;
                    }

                    // The parser steps over the character that ended the number,
                    // even when it is the end of the text.
                    if (input.isEmpty())
                    {
                        refuse();
                        return;
                    }

                    ++input;
                }
                else if (input[0] >= '0' && input[0] <= '9')
                {
                    int numChars = 0;

                    for (;;)
                    {
                        const auto firstChar = input[0];

                        if (firstChar == 0)
                        {
                            setLastError (true);
                            return;
                        }

                        if (firstChar == ';')
                            break;

                        if (++numChars > 12)
                        {
                            setLastError (true);
                            break;
                        }

                        ++input;
                    }

                    ++input;
                }
                else
                {
                    setLastError (true);
                }
            }
            else
            {
                const auto nameStart = input;
                const auto closingSemiColon = input.indexOf ((juce::juce_wchar) ';');

                if (closingSemiColon < 0)
                {
                    outOfData = true;
                }
                else
                {
                    // Without declared entities, an unknown one is reported (as a
                    // recoverable error) and its name stands for its text.
                    input += closingSemiColon + 1;
                    setLastError (true);
                    expandsToMarkup = (*nameStart == '<' && closingSemiColon > 1);
                }
            }
        }

        void readQuotedString()
        {
            const auto quote = readNextChar();

            while (! outOfData)
            {
                const auto c = readNextChar();

                if (c == quote)
                    break;

                --input;

                if (c == '&')
                {
                    bool expandsToMarkup = false;
                    readEntity (expandsToMarkup);

                    if (refused)
                        return;
                }
                else
                {
                    for (;;)
                    {
                        const auto character = *input;

                        if (character == quote)
                        {
                            ++input;
                            return;
                        }

                        if (character == '&')
                            break;

                        if (character == 0)
                        {
                            setLastError (false);
                            outOfData = true;
                            break;
                        }

                        ++input;
                    }
                }
            }
        }

        /** The parser's reading of one element up to the end of its start tag. */
        ElementStart readElementStart()
        {
            skipNextWhiteSpace();

            if (outOfData || *input != '<')
                return ElementStart::none;

            ++input;
            auto endOfToken = findEndOfToken (input);

            if (endOfToken == input)
            {
                skipNextWhiteSpace();
                endOfToken = findEndOfToken (input);

                if (endOfToken == input)
                {
                    setLastError (false);
                    return ElementStart::none;
                }
            }

            noteName (input, endOfToken);
            input = endOfToken;

            for (;;)
            {
                if (refused)
                    return ElementStart::none;

                skipNextWhiteSpace();
                const auto c = *input;

                if (c == '/' && input[1] == '>')
                {
                    input += 2;
                    return ElementStart::closed;
                }

                if (c == '>')
                {
                    ++input;
                    return ElementStart::opened;
                }

                if (isIdentifierChar (c))
                {
                    const auto attributeNameStart = input;
                    const auto attributeNameEnd = findEndOfToken (input);
                    input = attributeNameEnd;
                    skipNextWhiteSpace();

                    if (readNextChar() == '=')
                    {
                        skipNextWhiteSpace();
                        const auto nextChar = *input;

                        if (nextChar == '"' || nextChar == '\'')
                        {
                            noteName (attributeNameStart, attributeNameEnd);
                            readQuotedString();
                            continue;
                        }
                    }
                    else
                    {
                        setLastError (false);
                        return ElementStart::closed;
                    }
                }
                else if (! outOfData)
                {
                    setLastError (false);
                }

                break;
            }

            return ElementStart::closed;
        }

        /** Reads a run of text and comments inside an element. Returns false when
            the parser would stop reading the element's content there.
        */
        bool readText()
        {
            for (;;)
            {
                const auto c = *input;

                if (c == '<')
                {
                    if (input[1] == '!' && input[2] == '-' && input[3] == '-')
                    {
                        input += 4;
                        const auto closeComment = input.indexOf (juce::CharPointer_ASCII ("-->"));

                        if (closeComment < 0)
                        {
                            setLastError (false);
                            outOfData = true;
                            return false;
                        }

                        input += closeComment + 3;
                        continue;
                    }

                    return true;
                }

                if (c == 0)
                {
                    setLastError (false);
                    outOfData = true;
                    return false;
                }

                if (c == '&')
                {
                    bool expandsToMarkup = false;
                    readEntity (expandsToMarkup);

                    // An unterminated reference runs the text out, which always
                    // fails; the parser would search the rest again for each '&'.
                    if (expandsToMarkup)
                        refuse();
                    else if (outOfData)
                        refuseAsFailure();

                    if (refused)
                        return false;
                }
                else
                {
                    for (;; ++input)
                    {
                        auto nextChar = *input;

                        if (nextChar == '\r')
                        {
                            nextChar = '\n';

                            if (input[1] == '\n')
                                continue;
                        }

                        if (nextChar == '<' || nextChar == '&')
                            break;

                        if (nextChar == 0)
                        {
                            setLastError (false);
                            outOfData = true;
                            return false;
                        }
                    }
                }
            }
        }

        /** The content of the root element and of everything inside it. */
        void readContent()
        {
            while (depth > 0 && ! refused)
            {
                // Running out of text inside the root element always ends in a parse
                // error; the parser would search the rest again for each open element.
                if (outOfData)
                {
                    refuseAsFailure();
                    return;
                }

                const auto preWhitespaceInput = input;
                skipNextWhiteSpace();

                if (outOfData)
                    continue;

                if (*input == '<')
                {
                    const auto c1 = input[1];

                    if (c1 == '/')
                    {
                        const auto closeTag = input.indexOf ((juce::juce_wchar) '>');

                        if (closeTag >= 0)
                        {
                            input += closeTag + 1;
                            --depth;
                            continue;
                        }

                        // A closing tag cut off by the end of the file. The parser
                        // would take it as the end of every open element (searching
                        // the rest of the text again for each) and accept the
                        // truncated document; it is refused instead.
                        refuse();
                        return;
                    }

                    if (c1 == '!' && juce::CharacterFunctions::compareUpTo (input + 2, juce::CharPointer_ASCII ("[CDATA["), 7) == 0)
                    {
                        input += 9;

                        for (;;)
                        {
                            const auto c0 = *input;

                            if (c0 == 0)
                            {
                                setLastError (false);
                                outOfData = true;
                                break;
                            }

                            if (c0 == ']' && input[1] == ']' && input[2] == '>')
                            {
                                input += 3;
                                break;
                            }

                            ++input;
                        }

                        continue;
                    }

                    const auto start = readElementStart();

                    if (start == ElementStart::none)
                    {
                        --depth;
                    }
                    else if (start == ElementStart::opened)
                    {
                        ++depth;
                        maxDepthSeen = juce::jmax (maxDepthSeen, depth);

                        if (depth > maxNestingDepth)
                            refuse();
                    }
                }
                else
                {
                    input = preWhitespaceInput;

                    if (! readText())
                        --depth;
                    else if (input == preWhitespaceInput)
                        refuse();   // text after a processing instruction: the parser would go round here for ever
                }
            }
        }

        const juce::String text;
        CharPointer input;
        bool outOfData = false, errorOccurred = false, refused = false, refusedAsFailure = false;
        bool documentWillResult = false;
        int depth = 0, maxDepthSeen = 0;
        std::unordered_set<std::string> names;

        JUCE_DECLARE_NON_COPYABLE (ParseGuard)
    };

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

        if (! ParseGuard (text).check())
            return {};

        // Parsed from the text already read: a document given as text cannot make
        // the parser open other files (an external DTD or entity).
        return juce::XmlDocument (text).getDocumentElement();
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
            currentKey = child->getAllSubText().trim();
        }
        else if (tag == "string" && currentKey.isNotEmpty())
        {
            if (currentKey == "CFBundleIdentifier")
                foundId = child->getAllSubText().trim();
            else if (currentKey == "CFBundleShortVersionString")
                foundVersion = child->getAllSubText().trim();

            currentKey.clear();
        }
    }

    if (foundId.isEmpty() || foundVersion.isEmpty())
        return false;

    bundleId = foundId;
    version = foundVersion;
    return true;
}
