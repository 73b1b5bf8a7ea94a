// Stand-in for the macOS tool productbuild: checks the distribution definition
// and the component packages as the real tool would, then writes a product
// "package" that holds the definition and the components, unsigned.
// See README.md beside this file for the format.

#include "StandInCommon.h"

#include <algorithm>
#include <map>
#include <set>

namespace
{
    const char* const tool = "productbuild";

    using standin::fs::path;

    //==============================================================================
    /** A strict, non-recursive check that a text is well-formed XML, which also
        collects what productbuild needs: the root's name, each package reference
        that names a file, and the licence and read-me files.
    */
    class DistributionReader
    {
    public:
        explicit DistributionReader (const std::string& textToRead) : text (textToRead) {}

        bool read()
        {
            if (! checkCharacters())
                return false;

            if (text.compare (0, 3, "\xEF\xBB\xBF") == 0)
                pos = 3;

            if (text.compare (pos, 5, "<?xml") == 0 && pos + 5 < text.size() && isSpace (text[pos + 5]))
                if (! skipPast ("?>", "unterminated XML declaration"))
                    return false;

            if (! readMisc (true))
                return false;

            if (pos >= text.size() || text[pos] != '<')
                return setError ("no root element");

            if (! readRootElement())
                return false;

            if (! readMisc (false))
                return false;

            if (pos < text.size())
                return setError ("content after the root element");

            return true;
        }

        std::string error, rootName;
        std::vector<std::string> packageFiles;
        std::map<std::string, std::string> resourceFiles;   // element name -> file attribute

    private:
        const std::string& text;
        size_t pos = 0;

        bool setError (const std::string& why)
        {
            if (error.empty())
            {
                size_t line = 1;

                for (size_t i = 0; i < pos && i < text.size(); ++i)
                    if (text[i] == '\n')
                        ++line;

                error = why + " (line " + std::to_string (line) + ")";
            }

            return false;
        }

        static bool isSpace (char c)          { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

        static bool isNameStart (char c)
        {
            const auto b = (unsigned char) c;
            return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b == '_' || b == ':' || b >= 0x80;
        }

        static bool isNameChar (char c)
        {
            return isNameStart (c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
        }

        bool startsWith (const char* s) const  { return text.compare (pos, std::char_traits<char>::length (s), s) == 0; }

        void skipSpace()
        {
            while (pos < text.size() && isSpace (text[pos]))
                ++pos;
        }

        bool skipPast (const char* terminator, const char* why)
        {
            const auto found = text.find (terminator, pos);

            if (found == std::string::npos)
                return setError (why);

            pos = found + std::char_traits<char>::length (terminator);
            return true;
        }

        /** Valid UTF-8, and no control character that XML forbids. */
        bool checkCharacters()
        {
            for (size_t i = 0; i < text.size();)
            {
                const auto b = (unsigned char) text[i];
                int extra = 0;

                if (b < 0x80)
                {
                    if (b < 0x20 && b != '\t' && b != '\n' && b != '\r')
                    {
                        pos = i;
                        return setError ("control character in the text");
                    }
                }
                else if ((b & 0xe0) == 0xc0 && b >= 0xc2)   extra = 1;
                else if ((b & 0xf0) == 0xe0)                extra = 2;
                else if ((b & 0xf8) == 0xf0 && b <= 0xf4)   extra = 3;
                else
                {
                    pos = i;
                    return setError ("invalid UTF-8");
                }

                for (int k = 1; k <= extra; ++k)
                {
                    if (i + (size_t) k >= text.size() || (((unsigned char) text[i + (size_t) k]) & 0xc0) != 0x80)
                    {
                        pos = i;
                        return setError ("invalid UTF-8");
                    }
                }

                i += (size_t) extra + 1;
            }

            return true;
        }

        bool readName (std::string& name)
        {
            if (pos >= text.size() || ! isNameStart (text[pos]))
                return setError ("expected a name");

            const auto start = pos;

            while (pos < text.size() && isNameChar (text[pos]))
                ++pos;

            name = text.substr (start, pos - start);
            return true;
        }

        static void appendUtf8 (std::string& out, unsigned long c)
        {
            if (c < 0x80)          { out += (char) c; }
            else if (c < 0x800)    { out += (char) (0xc0 | (c >> 6));  out += (char) (0x80 | (c & 0x3f)); }
            else if (c < 0x10000)  { out += (char) (0xe0 | (c >> 12)); out += (char) (0x80 | ((c >> 6) & 0x3f)); out += (char) (0x80 | (c & 0x3f)); }
            else                   { out += (char) (0xf0 | (c >> 18)); out += (char) (0x80 | ((c >> 12) & 0x3f)); out += (char) (0x80 | ((c >> 6) & 0x3f)); out += (char) (0x80 | (c & 0x3f)); }
        }

        /** Reads a reference that starts at '&' and appends what it stands for. */
        bool readReference (std::string& out)
        {
            const auto end = text.find (';', pos);

            if (end == std::string::npos || end - pos > 12)
                return setError ("unterminated reference");

            const auto name = text.substr (pos + 1, end - pos - 1);

            if (name == "lt")          out += '<';
            else if (name == "gt")     out += '>';
            else if (name == "amp")    out += '&';
            else if (name == "quot")   out += '"';
            else if (name == "apos")   out += '\'';
            else if (name.size() > 1 && name[0] == '#')
            {
                const bool hex = name[1] == 'x';
                const auto digits = name.substr (hex ? 2 : 1);

                if (digits.empty() || digits.find_first_not_of (hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
                    return setError ("bad character reference");

                const auto code = std::strtoul (digits.c_str(), nullptr, hex ? 16 : 10);

                if (code == 0 || code > 0x10ffff || (code < 0x20 && code != 9 && code != 10 && code != 13)
                     || (code >= 0xd800 && code <= 0xdfff))
                    return setError ("bad character reference");

                appendUtf8 (out, code);
            }
            else
            {
                return setError ("undefined entity &" + name + ";");
            }

            pos = end + 1;
            return true;
        }

        /** White space, comments and processing instructions; a document type
            declaration without an internal subset is allowed before the root.
        */
        bool readMisc (bool beforeRoot)
        {
            for (;;)
            {
                skipSpace();

                if (startsWith ("<!--"))
                {
                    if (! readComment())
                        return false;
                }
                else if (startsWith ("<?"))
                {
                    if (! skipPast ("?>", "unterminated processing instruction"))
                        return false;
                }
                else if (beforeRoot && startsWith ("<!DOCTYPE"))
                {
                    const auto end = text.find ('>', pos);

                    if (end == std::string::npos || text.find ('[', pos) < end)
                        return setError ("unsupported document type declaration");

                    pos = end + 1;
                }
                else
                {
                    return true;
                }
            }
        }

        bool readComment()
        {
            const auto end = text.find ("--", pos + 4);

            if (end == std::string::npos || text.compare (end, 3, "-->") != 0)
                return setError ("bad comment");

            pos = end + 3;
            return true;
        }

        struct Open
        {
            std::string name, content;
        };

        /** Reads a start tag after its '<'; says whether it closed itself. */
        bool readStartTag (std::string& name, bool& empty)
        {
            ++pos;

            if (! readName (name))
                return false;

            std::set<std::string> seen;

            for (;;)
            {
                const auto before = pos;
                skipSpace();

                if (startsWith ("/>"))  { pos += 2; empty = true;  return true; }
                if (startsWith (">"))   { pos += 1; empty = false; return true; }

                if (pos == before)
                    return setError ("expected white space, '>' or '/>' in <" + name + ">");

                std::string attribute, value;

                if (! readName (attribute))
                    return false;

                if (! seen.insert (attribute).second)
                    return setError ("attribute " + attribute + " given twice");

                skipSpace();

                if (pos >= text.size() || text[pos] != '=')
                    return setError ("expected '=' after " + attribute);

                ++pos;
                skipSpace();

                if (pos >= text.size() || (text[pos] != '"' && text[pos] != '\''))
                    return setError ("attribute value not quoted");

                const char quote = text[pos++];

                for (;;)
                {
                    if (pos >= text.size())
                        return setError ("unterminated attribute value");

                    const char c = text[pos];

                    if (c == quote)   { ++pos; break; }
                    if (c == '<')     return setError ("'<' in an attribute value");

                    if (c == '&')
                    {
                        if (! readReference (value))
                            return false;
                    }
                    else
                    {
                        value += c;
                        ++pos;
                    }
                }

                if ((name == "license" || name == "readme") && attribute == "file")
                    resourceFiles[name] = value;
            }
        }

        void closed (const Open& element)
        {
            if (element.name != "pkg-ref")
                return;

            const auto first = element.content.find_first_not_of (" \t\r\n");

            if (first == std::string::npos)
                return;

            const auto last = element.content.find_last_not_of (" \t\r\n");
            packageFiles.push_back (element.content.substr (first, last - first + 1));
        }

        bool readRootElement()
        {
            std::vector<Open> open;
            bool empty = false;
            std::string name;

            if (! readStartTag (name, empty))
                return false;

            rootName = name;

            if (empty)
                return true;

            open.push_back ({ name, {} });

            while (! open.empty())
            {
                if (pos >= text.size())
                    return setError ("element <" + open.back().name + "> is not closed");

                if (startsWith ("</"))
                {
                    pos += 2;
                    std::string endName;

                    if (! readName (endName))
                        return false;

                    skipSpace();

                    if (pos >= text.size() || text[pos] != '>')
                        return setError ("bad end tag </" + endName + ">");

                    ++pos;

                    if (endName != open.back().name)
                        return setError ("</" + endName + "> closes <" + open.back().name + ">");

                    closed (open.back());
                    open.pop_back();
                }
                else if (startsWith ("<!--"))
                {
                    if (! readComment())
                        return false;
                }
                else if (startsWith ("<![CDATA["))
                {
                    const auto end = text.find ("]]>", pos);

                    if (end == std::string::npos)
                        return setError ("unterminated CDATA section");

                    open.back().content += text.substr (pos + 9, end - pos - 9);
                    pos = end + 3;
                }
                else if (startsWith ("<?"))
                {
                    if (! skipPast ("?>", "unterminated processing instruction"))
                        return false;
                }
                else if (startsWith ("<!"))
                {
                    return setError ("unexpected markup");
                }
                else if (startsWith ("<"))
                {
                    if (! readStartTag (name, empty))
                        return false;

                    if (empty)
                        closed ({ name, {} });
                    else
                        open.push_back ({ name, {} });
                }
                else if (text[pos] == '&')
                {
                    if (! readReference (open.back().content))
                        return false;
                }
                else
                {
                    if (startsWith ("]]>"))
                        return setError ("']]>' in text");

                    open.back().content += text[pos++];
                }
            }

            return true;
        }
    };

    //==============================================================================
    bool isComponentPackage (const path& file)
    {
        std::ifstream in (file, std::ios::binary);
        std::string firstLine;
        return in && std::getline (in, firstLine) && firstLine == "quillmere-standin-component-package 1";
    }

    void appendSection (std::string& out, const std::string& header, const std::string& bytes)
    {
        out += header + " " + std::to_string (bytes.size()) + "\n";
        out += bytes;
        out += "\n";
    }
}

int main (int argc, char* argv[])
{
    standin::logInvocation (tool, argc, argv);

    std::map<std::string, std::string> values;

    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];

        if (arg == "--distribution" || arg == "--resources" || arg == "--package-path"
             || arg == "--sign" || arg == "--output")
        {
            if (! standin::takeOptionValue (tool, argc, argv, i, values))
                return 1;
        }
        else if (arg.size() > 1 && arg[0] == '-')
        {
            return standin::fail (tool, "unknown option " + arg);
        }
        else
        {
            return standin::fail (tool, "unexpected argument " + arg);
        }
    }

    std::error_code error;

    if (values.count ("--distribution") == 0)
        return standin::fail (tool, "missing --distribution");

    const path distributionPath = values["--distribution"];
    std::string distribution;

    if (! standin::fs::is_regular_file (distributionPath, error) || ! standin::readWholeFile (distributionPath, distribution))
        return standin::fail (tool, "distribution definition not found: " + distributionPath.string());

    DistributionReader reader (distribution);

    if (! reader.read())
        return standin::fail (tool, "distribution definition is not well-formed XML: " + reader.error);

    if (reader.rootName != "installer-gui-script")
        return standin::fail (tool, "distribution definition's root element is <" + reader.rootName
                                       + ">, not <installer-gui-script>");

    const bool hasResources = values.count ("--resources") != 0;
    const path resources = hasResources ? values["--resources"] : std::string();

    if (hasResources && ! standin::fs::is_directory (resources, error))
        return standin::fail (tool, "resources folder does not exist: " + resources.string());

    if (values.count ("--package-path") == 0)
        return standin::fail (tool, "missing --package-path");

    const path packageFolder = values["--package-path"];

    if (! standin::fs::is_directory (packageFolder, error))
        return standin::fail (tool, "package path does not exist: " + packageFolder.string());

    std::vector<std::string> components;

    for (auto name : reader.packageFiles)
    {
        if (! name.empty() && name[0] == '#')
            name = name.substr (1);

        const auto file = packageFolder / name;

        if (name.empty() || name.find ('/') != std::string::npos || ! standin::fs::is_regular_file (file, error))
            return standin::fail (tool, "package " + name + " not found in " + packageFolder.string());

        if (! isComponentPackage (file))
            return standin::fail (tool, "not a component package: " + file.string());

        if (std::find (components.begin(), components.end(), name) == components.end())
            components.push_back (name);
    }

    if (hasResources)
    {
        for (auto& [element, name] : reader.resourceFiles)
        {
            const auto file = resources / name;

            if (name.empty() || ! standin::fs::is_regular_file (file, error))
                return standin::fail (tool, element + " file " + name + " not found in " + resources.string());
        }
    }

    int status = 0;

    if (values.count ("--sign") == 0)
        return standin::fail (tool, "missing --sign");

    if (! standin::checkIdentity (tool, values["--sign"], status))
        return status;

    if (values.count ("--output") == 0 || values["--output"].empty())
        return standin::fail (tool, "missing --output");

    const auto output = values["--output"];

    if (! standin::outputFolderExists (output))
        return standin::fail (tool, "the output's folder does not exist: " + output);

    if (standin::fs::is_directory (output, error))
        return standin::fail (tool, "the output is a folder: " + output);

    std::string product = "quillmere-standin-product-package 1\n";
    product += "sign " + standin::encode (values["--sign"]) + "\n";
    appendSection (product, "distribution", distribution);

    for (auto& name : components)
    {
        std::string bytes;

        if (! standin::readWholeFile (packageFolder / name, bytes))
            return standin::fail (tool, "cannot read " + (packageFolder / name).string());

        appendSection (product, "component " + standin::encode (name), bytes);
    }

    return standin::writePackage (tool, output, product, std::to_string (components.size()) + " components");
}
