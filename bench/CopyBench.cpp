// Times the staging copy of a bundle (copyBundle) against `cp -a` of the same
// bundle on the same disk, and prints both times and their ratio.
//
//   copy_bench [work folder] [--megabytes N] [--repetitions N] [--keep]
//
// The work folder (default: copy-bench-work beside this program) receives a
// generated bundle and the copies; it is removed at the end unless --keep.

#include <juce_core/juce_core.h>

#include "platform/FolderCopy.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
    struct Options
    {
        juce::File workFolder;
        int megabytes = 240;
        int repetitions = 5;
        bool keep = false;
    };

    /** Deterministic bytes that do not compress to nothing. */
    struct ByteSource
    {
        std::uint64_t state = 0x9e3779b97f4a7c15ull;

        std::uint64_t next()
        {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            return state;
        }

        void fill (std::vector<char>& buffer, size_t size)
        {
            buffer.resize ((size + 7) & ~(size_t) 7);

            for (size_t i = 0; i < buffer.size(); i += 8)
            {
                const auto value = next();
                std::memcpy (buffer.data() + i, &value, 8);
            }

            buffer.resize (size);
        }
    };

    bool writeFile (const juce::File& file, size_t size, mode_t mode, ByteSource& bytes)
    {
        std::vector<char> block;
        const auto fd = ::open (file.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

        if (fd < 0)
            return false;

        bool ok = true;

        for (size_t done = 0; done < size && ok;)
        {
            const auto chunk = std::min<size_t> (size - done, 1 << 20);
            bytes.fill (block, chunk);
            ok = ::write (fd, block.data(), chunk) == (ssize_t) chunk;
            done += chunk;
        }

        ok = ::fchmod (fd, mode) == 0 && ok;
        return ::close (fd) == 0 && ok;
    }

    bool makeLink (const juce::File& link, const char* target)
    {
        return ::symlink (target, link.getFullPathName().toRawUTF8()) == 0;
    }

    struct BundleFigures
    {
        int files = 0, folders = 0, links = 0;
        juce::int64 bytes = 0;
    };

    /** A plug-in bundle shaped like a real one: a large executable, an embedded
        framework with its version links, and thousands of resource files of
        mixed sizes in nested folders.
    */
    bool generateBundle (const juce::File& bundle, int megabytes, BundleFigures& figures)
    {
        ByteSource bytes;
        const auto total = (juce::int64) megabytes << 20;
        auto contents = bundle.getChildFile ("Contents");

        auto folder = [&figures] (const juce::File& f)
        {
            ++figures.folders;
            return f.createDirectory().wasOk();
        };

        auto file = [&] (const juce::File& f, size_t size, mode_t mode)
        {
            ++figures.files;
            figures.bytes += (juce::int64) size;
            return writeFile (f, size, mode, bytes);
        };

        auto link = [&figures] (const juce::File& l, const char* target)
        {
            ++figures.links;
            return makeLink (l, target);
        };

        if (! (folder (bundle) && folder (contents) && folder (contents.getChildFile ("MacOS"))))
            return false;

        if (! contents.getChildFile ("Info.plist").replaceWithText ("<?xml version=\"1.0\"?>\n<plist/>\n"))
            return false;

        ++figures.files;

        // The plug-in's executable: a fifth of the size.
        if (! file (contents.getChildFile ("MacOS/Bench"), (size_t) (total / 5), 0755))
            return false;

        // An embedded framework, with the links a framework has.
        auto framework = contents.getChildFile ("Frameworks/Engine.framework");
        auto version = framework.getChildFile ("Versions/A");

        if (! (folder (contents.getChildFile ("Frameworks")) && folder (framework)
                && folder (framework.getChildFile ("Versions")) && folder (version)
                && folder (version.getChildFile ("Resources"))))
            return false;

        if (! (file (version.getChildFile ("Engine"), (size_t) (total / 10), 0755)
                && file (version.getChildFile ("Resources/Info.plist"), 2048, 0644)
                && link (framework.getChildFile ("Versions/Current"), "A")
                && link (framework.getChildFile ("Engine"), "Versions/Current/Engine")
                && link (framework.getChildFile ("Resources"), "Versions/Current/Resources")))
            return false;

        // Helper tools with executable bits.
        auto helpers = contents.getChildFile ("Helpers");

        if (! folder (helpers))
            return false;

        for (int i = 0; i < 8; ++i)
            if (! file (helpers.getChildFile ("tool" + juce::String (i)), 200 * 1024, 0755))
                return false;

        // Resources: the rest, in nested folders of small and medium files.
        auto resources = contents.getChildFile ("Resources");

        if (! folder (resources))
            return false;

        for (int group = 0; figures.bytes < total; ++group)
        {
            auto groupFolder = resources.getChildFile ("group" + juce::String (group));

            if (! folder (groupFolder))
                return false;

            for (int sub = 0; sub < 6 && figures.bytes < total; ++sub)
            {
                auto subFolder = groupFolder.getChildFile ("set" + juce::String (sub));

                if (! folder (subFolder))
                    return false;

                for (int i = 0; i < 90 && figures.bytes < total; ++i)
                {
                    const auto size = (size_t) (1024 + bytes.next() % (80 * 1024));
                    const auto mode = (i % 17 == 0) ? 0755 : 0644;

                    if (! file (subFolder.getChildFile ("sample" + juce::String (i) + ".bin"), size, (mode_t) mode))
                        return false;
                }
            }
        }

        // A read-only folder, as some installers leave.
        if (! (folder (resources.getChildFile ("Locked")) && file (resources.getChildFile ("Locked/notice.txt"), 512, 0444)))
            return false;

        return ::chmod (resources.getChildFile ("Locked").getFullPathName().toRawUTF8(), 0555) == 0;
    }

    using Clock = std::chrono::steady_clock;

    double secondsSince (Clock::time_point start)
    {
        return std::chrono::duration<double> (Clock::now() - start).count();
    }

    bool runCpA (const juce::File& source, const juce::File& destination)
    {
        std::string s = source.getFullPathName().toStdString();
        std::string d = destination.getFullPathName().toStdString();
        char cp[] = "cp", a[] = "-a";
        char* args[] = { cp, a, s.data(), d.data(), nullptr };

        pid_t child = 0;

        if (::posix_spawnp (&child, "cp", nullptr, nullptr, args, environ) != 0)
            return false;

        int status = 0;

        while (::waitpid (child, &status, 0) < 0)
            if (errno != EINTR)
                return false;

        return WIFEXITED (status) && WEXITSTATUS (status) == 0;
    }

    bool removeTree (const juce::File& folder)
    {
        // The generated bundle holds a read-only folder: open it up first.
        std::string path = folder.getFullPathName().toStdString();
        std::string command = "chmod -R u+rwx '" + path + "' 2>/dev/null; rm -rf '" + path + "'";
        return std::system (command.c_str()) == 0 && ! folder.exists();
    }

    double median (std::vector<double> values)
    {
        std::sort (values.begin(), values.end());
        const auto n = values.size();
        return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
    }

    bool parseOptions (int argc, char* argv[], Options& options)
    {
        for (int i = 1; i < argc; ++i)
        {
            const juce::String arg (argv[i]);

            if (arg == "--megabytes" && i + 1 < argc)
                options.megabytes = std::max (1, juce::String (argv[++i]).getIntValue());
            else if (arg == "--repetitions" && i + 1 < argc)
                options.repetitions = std::max (1, juce::String (argv[++i]).getIntValue());
            else if (arg == "--keep")
                options.keep = true;
            else if (! arg.startsWith ("-") && options.workFolder == juce::File())
                options.workFolder = juce::File::getCurrentWorkingDirectory().getChildFile (arg);
            else
                return false;
        }

        if (options.workFolder == juce::File())
            options.workFolder = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                                     .getSiblingFile ("copy-bench-work");

        return true;
    }
}

int main (int argc, char* argv[])
{
    Options options;

    if (! parseOptions (argc, argv, options))
    {
        std::fprintf (stderr, "usage: copy_bench [work folder] [--megabytes N] [--repetitions N] [--keep]\n");
        return 2;
    }

    const auto work = options.workFolder;

    if (work.exists() && ! removeTree (work))
    {
        std::fprintf (stderr, "copy_bench: cannot clear %s\n", work.getFullPathName().toRawUTF8());
        return 1;
    }

    const auto source = work.getChildFile ("source/Bench.vst3");
    const auto viaCopyBundle = work.getChildFile ("staged-copyBundle/Bench.vst3");
    const auto viaCp = work.getChildFile ("staged-cp/Bench.vst3");

    if (! (source.getParentDirectory().createDirectory() && viaCopyBundle.getParentDirectory().createDirectory()
            && viaCp.getParentDirectory().createDirectory()))
    {
        std::fprintf (stderr, "copy_bench: cannot create %s\n", work.getFullPathName().toRawUTF8());
        return 1;
    }

    BundleFigures figures;
    std::printf ("Generating a bundle of about %d MB in %s ...\n", options.megabytes, work.getFullPathName().toRawUTF8());

    if (! generateBundle (source, options.megabytes, figures))
    {
        std::fprintf (stderr, "copy_bench: cannot generate the bundle\n");
        return 1;
    }

    std::printf ("Bundle: %.1f MB in %d files, %d folders, %d symbolic links\n",
                 (double) figures.bytes / (1024.0 * 1024.0), figures.files, figures.folders, figures.links);

    auto timeOnce = [&] (bool useCopyBundle, double& seconds)
    {
        const auto& destination = useCopyBundle ? viaCopyBundle : viaCp;

        if (destination.exists() && ! removeTree (destination))
            return false;

        ::sync();   // flush the previous round's writes outside the timed part
        const auto start = Clock::now();
        const bool ok = useCopyBundle ? copyBundle (source, destination) : runCpA (source, destination);
        seconds = secondsSince (start);
        return ok;
    };

    // Warm both roads (and the page cache with the source) before timing.
    double ignored = 0;

    if (! timeOnce (true, ignored) || ! timeOnce (false, ignored))
    {
        std::fprintf (stderr, "copy_bench: a warm-up copy failed\n");
        return 1;
    }

    std::vector<double> copyBundleTimes, cpTimes;

    for (int round = 0; round < options.repetitions; ++round)
    {
        // Alternate which one goes first, so neither always follows the other's writes.
        for (int k = 0; k < 2; ++k)
        {
            const bool useCopyBundle = ((round + k) % 2) == 0;
            double seconds = 0;

            if (! timeOnce (useCopyBundle, seconds))
            {
                std::fprintf (stderr, "copy_bench: %s failed\n", useCopyBundle ? "copyBundle" : "cp -a");
                return 1;
            }

            (useCopyBundle ? copyBundleTimes : cpTimes).push_back (seconds);
            std::printf ("  round %d  %-10s %8.3f s\n", round + 1, useCopyBundle ? "copyBundle" : "cp -a", seconds);
        }
    }

    const auto copyMedian = median (copyBundleTimes), cpMedian = median (cpTimes);
    const auto copyBest = *std::min_element (copyBundleTimes.begin(), copyBundleTimes.end());
    const auto cpBest = *std::min_element (cpTimes.begin(), cpTimes.end());

    std::printf ("copyBundle: median %.3f s, best %.3f s\n", copyMedian, copyBest);
    std::printf ("cp -a:      median %.3f s, best %.3f s\n", cpMedian, cpBest);
    std::printf ("ratio copyBundle/cp-a: median %.2f, best %.2f\n", copyMedian / cpMedian, copyBest / cpBest);

    if (! options.keep)
        removeTree (work);

    return 0;
}
