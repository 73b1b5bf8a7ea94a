// Stand-in for the macOS tool pkgbuild: checks its arguments as the real tool
// would and writes a text manifest of the payload root as the "package".
// See README.md beside this file for the format.

#include "StandInCommon.h"

#include <algorithm>
#include <map>

#include <sys/stat.h>

namespace
{
    const char* const tool = "pkgbuild";

    using standin::fs::path;

    struct Entry
    {
        std::string relativePath, line;
    };

    bool hashFile (const path& file, std::uint64_t& hash, std::uintmax_t& size)
    {
        std::ifstream in (file, std::ios::binary);

        if (! in)
            return false;

        std::vector<char> buffer (1 << 16);
        hash = standin::fnv1a (nullptr, 0);
        size = 0;

        while (in)
        {
            in.read (buffer.data(), (std::streamsize) buffer.size());
            const auto got = (size_t) in.gcount();
            hash = standin::fnv1a (buffer.data(), got, hash);
            size += got;
        }

        return ! in.bad();
    }

    std::string octalMode (mode_t mode)
    {
        char text[8];
        std::snprintf (text, sizeof (text), "%04o", (unsigned) (mode & 07777));
        return text;
    }

    /** Lists everything below the root, links as links, in a stable order. */
    bool describeRoot (const path& root, std::vector<Entry>& entries, std::string& why)
    {
        std::error_code error;
        standin::fs::recursive_directory_iterator it (root, error), end;

        if (error)
        {
            why = "cannot read the root folder " + root.string() + ": " + error.message();
            return false;
        }

        for (; it != end; it.increment (error))
        {
            if (error)
                break;

            const auto full = it->path();
            const auto relative = full.lexically_relative (root).generic_string();
            struct stat info;

            if (::lstat (full.c_str(), &info) != 0)
            {
                why = "cannot examine " + full.string();
                return false;
            }

            std::string line;

            if (S_ISDIR (info.st_mode))
            {
                line = "dir " + octalMode (info.st_mode) + " 0 - " + standin::encode (relative);
            }
            else if (S_ISLNK (info.st_mode))
            {
                const auto target = standin::fs::read_symlink (full, error).string();

                if (error)
                    break;

                line = "link " + octalMode (info.st_mode) + " " + std::to_string (target.size()) + " "
                         + standin::toHex (standin::fnv1a (target.data(), target.size())) + " "
                         + standin::encode (relative) + " " + standin::encode (target);
            }
            else if (S_ISREG (info.st_mode))
            {
                std::uint64_t hash = 0;
                std::uintmax_t size = 0;

                if (! hashFile (full, hash, size))
                {
                    why = "cannot read " + full.string();
                    return false;
                }

                line = "file " + octalMode (info.st_mode) + " " + std::to_string (size) + " "
                         + standin::toHex (hash) + " " + standin::encode (relative);
            }
            else
            {
                why = "unsupported item in the root folder: " + full.string();
                return false;
            }

            entries.push_back ({ relative, line });
        }

        if (error)
        {
            why = "cannot read the root folder " + root.string() + ": " + error.message();
            return false;
        }

        std::sort (entries.begin(), entries.end(),
                   [] (const Entry& a, const Entry& b) { return a.relativePath < b.relativePath; });
        return true;
    }
}

int main (int argc, char* argv[])
{
    standin::logInvocation (tool, argc, argv);

    std::map<std::string, std::string> values;
    std::vector<std::string> outputs;
    bool timestamp = false;

    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];

        if (arg == "--timestamp")
        {
            if (timestamp)
                return standin::fail (tool, arg + " given more than once");

            timestamp = true;
        }
        else if (arg == "--root" || arg == "--identifier" || arg == "--version" || arg == "--sign")
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
            outputs.push_back (arg);
        }
    }

    if (values.count ("--root") == 0)
        return standin::fail (tool, "missing --root");

    std::error_code error;
    const path root = values["--root"];

    if (! standin::fs::is_directory (root, error))
        return standin::fail (tool, "root folder does not exist: " + root.string());

    if (values["--identifier"].empty())
        return standin::fail (tool, "missing or empty --identifier");

    if (values["--version"].empty())
        return standin::fail (tool, "missing or empty --version");

    int status = 0;

    if (values.count ("--sign") == 0)
        return standin::fail (tool, "missing --sign");

    if (! standin::checkIdentity (tool, values["--sign"], status))
        return status;

    if (outputs.empty())
        return standin::fail (tool, "missing output package path");

    if (outputs.size() > 1)
        return standin::fail (tool, "unexpected argument " + outputs[1]);

    const auto& output = outputs.front();

    if (! standin::outputFolderExists (output))
        return standin::fail (tool, "the output's folder does not exist: " + output);

    if (standin::fs::is_directory (output, error))
        return standin::fail (tool, "the output is a folder: " + output);

    std::vector<Entry> entries;
    std::string why;

    if (! describeRoot (root, entries, why))
        return standin::fail (tool, why);

    std::string manifest = "quillmere-standin-component-package 1\n";
    manifest += "identifier " + standin::encode (values["--identifier"]) + "\n";
    manifest += "version " + standin::encode (values["--version"]) + "\n";
    manifest += "sign " + standin::encode (values["--sign"]) + "\n";
    manifest += std::string ("timestamp ") + (timestamp ? "yes" : "no") + "\n";

    for (auto& entry : entries)
        manifest += entry.line + "\n";

    return standin::writePackage (tool, output, manifest, std::to_string (entries.size()) + " items");
}
