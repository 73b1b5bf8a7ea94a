#include "builder/XmlCheck.h"

#include <expat.h>

#include <climits>
#include <string>
#include <unordered_set>

namespace
{
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

        static bool holdsAngleBracket (const XML_Char* text)
        {
            return text != nullptr && std::string (text).find_first_of ("<>") != std::string::npos;
        }

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

            for (auto** attribute = attributes; *attribute != nullptr; attribute += 2)
                run.noteName (*attribute);
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

        static void XMLCALL skippedEntity (void* userData, const XML_Char*, int)
        {
            // An undeclared entity, allowed beside an external DTD: to the framework's parser it is text.
            auto& run = of (userData);

            if (run.afterInstruction)
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
            hold as elements. Property lists declare none.
        */
        static void XMLCALL startDoctype (void* userData, const XML_Char*, const XML_Char* systemId,
                                          const XML_Char* publicId, int)
        {
            auto& run = of (userData);
            run.inDoctype = true;

            if (holdsAngleBracket (systemId) || holdsAngleBracket (publicId))
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

        static void XMLCALL attributeListDeclaration (void* userData, const XML_Char*, const XML_Char*,
                                                      const XML_Char*, const XML_Char* defaultValue, int)
        {
            if (holdsAngleBracket (defaultValue))
                of (userData).stop();
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
        int depth = 0;
        bool afterInstruction = false, inDoctype = false;
        std::unordered_set<std::string> names;

        JUCE_DECLARE_NON_COPYABLE (ExpatRun)
    };

    /*  Where expat stops at an error, the framework's parser often reads on, so
        nothing in the rest of a text that is not XML may be able to trip it. It
        never reads past the start of a text that does not begin with markup.
        Otherwise its deep recursion needs many '<', its endless loop and its
        entity expansion need instructions and declarations, and its slow or
        unchecked steps all start at '&': none of these may be there.
    */
    bool mayTripParserPastAnError (const juce::String& text)
    {
        if (! text.trimStart().startsWithChar ('<'))
            return false;

        if (text.contains ("<?") || text.contains ("<!") || text.containsChar ('&'))
            return true;

        int numOpenBrackets = 0;

        for (auto c : text)
            if (c == '<' && ++numOpenBrackets > maxXmlNestingDepth)
                return true;

        return false;
    }
}

//==============================================================================
XmlVerdict checkXml (const juce::String& text)
{
    ExpatRun run (text);

    if (run.parse())
        return XmlVerdict::wellFormed;

    if (run.hazard || mayTripParserPastAnError (text))
        return XmlVerdict::unsafe;

    return XmlVerdict::notWellFormed;
}
