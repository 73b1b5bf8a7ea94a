#include "builder/XmlCheck.h"

#include <expat.h>

#include <climits>
#include <cstring>
#include <string>
#include <unordered_set>

namespace
{
    /*  The framework's parser builds an attribute value by copying it whole at
        each reference: a start tag's references times its length are kept under this.
    */
    constexpr juce::int64 maxRescanChars = 100 * 1000 * 1000;

    juce::int64 countOf (const char* bytes, size_t numBytes, char c)
    {
        juce::int64 n = 0;

        for (size_t i = 0; i < numBytes; ++i)
            n += bytes[i] == c ? 1 : 0;

        return n;
    }

    /** True when a character reference has more digits than the framework's
        parser reads (8 hexadecimal or 12 decimal ones; "&#x0000000041;" is "A"):
        it would read the reference as another character. One pass over the text.
    */
    bool hasOverlongCharacterReference (const char* bytes, size_t numBytes)
    {
        for (size_t i = 0; i + 1 < numBytes; ++i)
        {
            if (bytes[i] != '&' || bytes[i + 1] != '#')
                continue;

            auto end = i + 2;
            const auto hex = end < numBytes && (bytes[end] == 'x' || bytes[end] == 'X');

            if (hex)
                ++end;

            const auto firstDigit = end;

            while (end < numBytes && (hex ? juce::CharacterFunctions::getHexDigitValue ((juce::juce_wchar) bytes[end]) >= 0
                                          : juce::CharacterFunctions::isDigit (bytes[end])))
                ++end;

            if (end - firstDigit > (hex ? 8u : 12u))
                return true;

            i = end - 1;
        }

        return false;
    }

    /*  One run of expat over a text, watching for what the framework's parser
        cannot take: expat itself is not recursive, has no trouble with any of it
        and stops at the first error.
    */
    class ExpatRun
    {
    public:
        explicit ExpatRun (const juce::String& textToCheck)
            : bytes (textToCheck.toRawUTF8()), numBytes (textToCheck.getNumBytesAsUTF8())
        {
        }

        ~ExpatRun()
        {
            if (parser != nullptr)
                XML_ParserFree (parser);
        }

        /** Parses the whole text; true when it is well-formed. */
        bool parse()
        {
            // The text is always UTF-8 by now, whatever its declaration says.
            parser = XML_ParserCreate ("UTF-8");

            if (parser == nullptr || numBytes > (size_t) INT_MAX)
            {
                hazard = true;
                return false;
            }

            // Undeclared parameter entities are then reported (as skipped); with no
            // handler for external entities, nothing outside the text is read.
            XML_SetParamEntityParsing (parser, XML_PARAM_ENTITY_PARSING_UNLESS_STANDALONE);
            XML_SetUserData (parser, this);
            XML_SetElementHandler (parser, startElement, endElement);
            XML_SetCharacterDataHandler (parser, characterData);
            XML_SetSkippedEntityHandler (parser, skippedEntity);
            XML_SetProcessingInstructionHandler (parser, processingInstruction);
            XML_SetCommentHandler (parser, comment);
            XML_SetStartCdataSectionHandler (parser, startCdataSection);
            XML_SetDoctypeDeclHandler (parser, startDoctype, endDoctype);
            XML_SetEntityDeclHandler (parser, entityDeclaration);
            XML_SetAttlistDeclHandler (parser, attributeListDeclaration);
            XML_SetNotationDeclHandler (parser, notationDeclaration);

            return XML_Parse (parser, bytes, (int) numBytes, XML_TRUE) == XML_STATUS_OK && ! hazard;
        }

        bool hazard = false;

    private:
        static ExpatRun& of (void* userData)     { return *static_cast<ExpatRun*> (userData); }

        static bool holdsAnyOf (const XML_Char* text, const char* characters)
        {
            return text != nullptr && std::string (text).find_first_of (characters) != std::string::npos;
        }

        static bool holdsAngleBracket (const XML_Char* text)    { return holdsAnyOf (text, "<>"); }

        void stop()
        {
            hazard = true;
            XML_StopParser (parser, XML_FALSE);
        }

        void noteName (const XML_Char* name)
        {
            names.insert (name);

            if ((int) names.size() > maxXmlDistinctNames)
                stop();
        }

        //==============================================================================
        static void XMLCALL startElement (void* userData, const XML_Char* name, const XML_Char** attributes)
        {
            auto& run = of (userData);
            run.afterInstruction = false;

            if (++run.depth > maxXmlNestingDepth)
            {
                run.stop();
                return;
            }

            run.noteName (name);

            // The attributes written in the tag, which expat lists before those it
            // adds from declared defaults: the framework's parser adds none.
            const auto numSpecified = XML_GetSpecifiedAttributeCount (run.parser);

            for (int i = 0; i < numSpecified && attributes[i] != nullptr; i += 2)
                run.noteName (attributes[i]);

            // The start tag as written, its attribute values' references included.
            const auto start = (size_t) XML_GetCurrentByteIndex (run.parser);
            const auto count = (size_t) XML_GetCurrentByteCount (run.parser);

            if (start >= run.numBytes)
                return;

            const auto* tag = run.bytes + start;
            const auto tagLength = juce::jmin (count, run.numBytes - start);

            if (countOf (tag, tagLength, '&') * (juce::int64) count > maxRescanChars
                 || (run.hasInternalSubset && refersToEntity (tag, tagLength)))
                run.stop();
        }

        /*  True when a reference in a start tag names an entity other than the
            five predefined ones. Expat drops an undeclared one in an attribute
            value without reporting it; the framework's parser looks it up in the
            tokens of the internal DTD subset, as it does in text.
        */
        static bool refersToEntity (const char* tag, size_t length)
        {
            for (size_t i = 0; i < length; ++i)
            {
                if (tag[i] != '&' || (i + 1 < length && tag[i + 1] == '#'))
                    continue;

                auto isAt = [&] (const char* name)
                {
                    const auto nameLength = std::strlen (name);
                    return length - (i + 1) >= nameLength && std::memcmp (tag + i + 1, name, nameLength) == 0;
                };

                if (! (isAt ("amp;") || isAt ("lt;") || isAt ("gt;") || isAt ("quot;") || isAt ("apos;")))
                    return true;
            }

            return false;
        }

        static void XMLCALL endElement (void* userData, const XML_Char*)
        {
            auto& run = of (userData);
            run.afterInstruction = false;
            --run.depth;
        }

        static void XMLCALL startCdataSection (void* userData)
        {
            of (userData).afterInstruction = false;
        }

        /*  The framework's parser skips white space, comments and processing
            instructions inside an element, then goes back to the start of what it
            skipped if text follows, and skips it again, for ever. Anything but
            white space as written in the file (a reference to a space counts as
            text) must not follow an instruction there.
        */
        static void XMLCALL characterData (void* userData, const XML_Char*, int)
        {
            auto& run = of (userData);

            if (! run.afterInstruction)
                return;

            const auto start = (size_t) XML_GetCurrentByteIndex (run.parser);
            const auto count = (size_t) XML_GetCurrentByteCount (run.parser);

            for (size_t i = start; i < start + count && i < run.numBytes; ++i)
            {
                if (run.bytes[i] != ' ' && run.bytes[i] != '\t' && run.bytes[i] != '\r' && run.bytes[i] != '\n')
                {
                    run.stop();
                    return;
                }
            }
        }

        /*  An undeclared entity, which expat allows beside an external DTD. The
            framework's parser reads a general one as text, after looking it up
            in the tokens of the internal DTD subset (slow, and fooled by what the
            subset holds). After an undeclared parameter entity in the subset,
            expat reports no more declarations, while that parser still uses them.
        */
        static void XMLCALL skippedEntity (void* userData, const XML_Char*, int isParameterEntity)
        {
            auto& run = of (userData);

            if (isParameterEntity != 0 || run.hasInternalSubset || run.afterInstruction)
                run.stop();
        }

        static void XMLCALL processingInstruction (void* userData, const XML_Char* target, const XML_Char* data)
        {
            auto& run = of (userData);

            if (run.depth > 0)
                run.afterInstruction = true;

            if (run.inDoctype && (holdsAngleBracket (target) || holdsAngleBracket (data)))
                run.stop();
        }

        static void XMLCALL comment (void* userData, const XML_Char* data)
        {
            auto& run = of (userData);

            if (run.inDoctype && holdsAngleBracket (data))
                run.stop();
        }

        //==============================================================================
        /*  The framework's parser finds the end of a DOCTYPE by counting '<' and
            '>', and expands declared entities recursively, parsing any markup they
            hold as elements. Property lists declare none. It takes what stands
            between the DOCTYPE's first '[' and its last ']' for the internal
            subset, and searches it, split into tokens, for every entity that it
            does not know: a '[' in the system literal would make most of the
            DOCTYPE such a subset, outside expat's view.
        */
        static void XMLCALL startDoctype (void* userData, const XML_Char*, const XML_Char* systemId,
                                          const XML_Char* publicId, int hasInternalSubset)
        {
            auto& run = of (userData);
            run.inDoctype = true;
            run.hasInternalSubset = hasInternalSubset != 0;

            if (holdsAnyOf (systemId, "<>[") || holdsAngleBracket (publicId))
                run.stop();
        }

        static void XMLCALL endDoctype (void* userData)
        {
            of (userData).inDoctype = false;
        }

        static void XMLCALL entityDeclaration (void* userData, const XML_Char*, int, const XML_Char*, int,
                                               const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*)
        {
            of (userData).stop();
        }

        /*  Expat goes through every attribute declared for an element type at
            each of its start tags, copying the defaults into it: many of them
            make the check itself slow.
        */
        static void XMLCALL attributeListDeclaration (void* userData, const XML_Char*, const XML_Char*,
                                                      const XML_Char*, const XML_Char* defaultValue, int)
        {
            auto& run = of (userData);

            if (++run.numAttributeDeclarations > maxXmlAttributeDeclarations)
                run.stop();

            if (holdsAngleBracket (defaultValue))
                run.stop();
        }

        static void XMLCALL notationDeclaration (void* userData, const XML_Char*, const XML_Char*,
                                                 const XML_Char* systemId, const XML_Char* publicId)
        {
            if (holdsAngleBracket (systemId) || holdsAngleBracket (publicId))
                of (userData).stop();
        }

        //==============================================================================
        const char* bytes;
        size_t numBytes;
        XML_Parser parser = nullptr;
        int depth = 0, numAttributeDeclarations = 0;
        bool afterInstruction = false, inDoctype = false, hasInternalSubset = false;
        std::unordered_set<std::string> names;

        JUCE_DECLARE_NON_COPYABLE (ExpatRun)
    };
}

//==============================================================================
bool isSafeWellFormedXml (const juce::String& text)
{
    ExpatRun run (text);

    return run.parse() && ! hasOverlongCharacterReference (text.toRawUTF8(), text.getNumBytesAsUTF8());
}
