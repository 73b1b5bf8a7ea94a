#pragma once

// Helpers shared by the stand-in packaging tools: plain C++17, no framework.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace standin
{
    namespace fs = std::filesystem;

    /** Prints one line on the standard error stream, prefixed with the tool's name. */
    inline int fail (const char* tool, const std::string& why)
    {
        std::fprintf (stderr, "%s: %s\n", tool, why.c_str());
        std::fflush (stderr);
        return 1;
    }

    /** Stores the value that follows the option at argv[i] and steps over it;
        false, with the reason printed, when the value is missing or the option
        was given before.
    */
    inline bool takeOptionValue (const char* tool, int argc, char* argv[], int& i,
                                 std::map<std::string, std::string>& values)
    {
        const std::string option = argv[i];

        if (i + 1 >= argc)
        {
            fail (tool, "missing value after " + option);
            return false;
        }

        if (values.count (option) != 0)
        {
            fail (tool, option + " given more than once");
            return false;
        }

        values[option] = argv[++i];
        return true;
    }

    /** Percent-escapes the bytes that would break a space-separated line. */
    inline std::string encode (const std::string& text)
    {
        static const char* hex = "0123456789ABCDEF";
        std::string result;

        for (auto c : text)
        {
            const auto byte = (unsigned char) c;

            if (byte <= 0x20 || byte == 0x7f || byte == '%')
            {
                result += '%';
                result += hex[byte >> 4];
                result += hex[byte & 15];
            }
            else
            {
                result += c;
            }
        }

        return result;
    }

    /** 64-bit FNV-1a over a block of bytes, continuing from an earlier value. */
    inline std::uint64_t fnv1a (const char* data, size_t size, std::uint64_t hash = 0xcbf29ce484222325ull)
    {
        for (size_t i = 0; i < size; ++i)
        {
            hash ^= (unsigned char) data[i];
            hash *= 0x100000001b3ull;
        }

        return hash;
    }

    inline std::string toHex (std::uint64_t value)
    {
        char text[17];
        std::snprintf (text, sizeof (text), "%016llx", (unsigned long long) value);
        return text;
    }

    inline bool readWholeFile (const fs::path& path, std::string& contents)
    {
        std::ifstream in (path, std::ios::binary);

        if (! in)
            return false;

        contents.assign (std::istreambuf_iterator<char> (in), std::istreambuf_iterator<char>());
        return ! in.bad();
    }

    /** When QUILLMERE_STANDIN_LOG names a file, appends one line to it naming the
        tool and each argument it was given, escaped, separated by single spaces.
    */
    inline void logInvocation (const char* tool, int argc, char* argv[])
    {
        const char* logPath = std::getenv ("QUILLMERE_STANDIN_LOG");

        if (logPath == nullptr || *logPath == 0)
            return;

        std::string line = tool;

        for (int i = 1; i < argc; ++i)
            line += " " + encode (argv[i]);

        line += "\n";

        if (auto* f = std::fopen (logPath, "ab"))
        {
            std::fwrite (line.data(), 1, line.size(), f);
            std::fclose (f);
        }
    }

    /** The signing checks that a keychain would make. The identity must name
        someone: "Developer ID Installer: " with nothing after it names nobody.
        When QUILLMERE_STANDIN_IDENTITY is set, it is the only identity that the
        stand-in keychain holds.
    */
    inline bool checkIdentity (const char* tool, const std::string& identity, int& status)
    {
        auto trimmed = [] (std::string s)
        {
            const auto first = s.find_first_not_of (" \t\r\n");
            const auto last = s.find_last_not_of (" \t\r\n");
            return first == std::string::npos ? std::string() : s.substr (first, last - first + 1);
        };

        const std::string prefix = "Developer ID Installer:";

        if (trimmed (identity).empty()
             || (identity.compare (0, prefix.size(), prefix) == 0 && trimmed (identity.substr (prefix.size())).empty()))
        {
            status = fail (tool, "no signing identity named by --sign");
            return false;
        }

        if (const char* only = std::getenv ("QUILLMERE_STANDIN_IDENTITY"))
        {
            if (identity != only)
            {
                status = fail (tool, "could not find an installer signing identity matching \"" + identity + "\"");
                return false;
            }
        }

        return true;
    }

    /** True when the folder that would hold the output file exists. */
    inline bool outputFolderExists (const std::string& output)
    {
        auto parent = fs::path (output).parent_path();

        if (parent.empty())
            parent = ".";

        std::error_code error;
        return fs::is_directory (parent, error);
    }

    /** Writes the package file; a part-written file is removed. Returns the exit status. */
    inline int writePackage (const char* tool, const std::string& output, const std::string& contents,
                             const std::string& summary)
    {
        std::ofstream out (output, std::ios::binary | std::ios::trunc);
        out.write (contents.data(), (std::streamsize) contents.size());
        out.close();

        if (! out)
        {
            std::error_code error;
            fs::remove (output, error);
            return fail (tool, "cannot write " + output);
        }

        std::printf ("%s: wrote %s (%s, unsigned stand-in)\n", tool, output.c_str(), summary.c_str());
        return 0;
    }
}
