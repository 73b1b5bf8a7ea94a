#pragma once

// Lets a test that runs as the super-user see what an ordinary user sees of
// file modes.

#if defined (__linux__)
 #include <linux/capability.h>
 #include <sys/syscall.h>
 #include <unistd.h>

namespace testing_helpers
{
    /** For the calling thread only, gives up the power of the super-user to read
        and search whatever the modes say, so that a file with mode 0 cannot be
        read even when the tests run as root.
    */
    struct WithoutPermissionOverride
    {
        WithoutPermissionOverride()
        {
            if (::geteuid() != 0)
                return;

            header.version = _LINUX_CAPABILITY_VERSION_3;

            if (::syscall (SYS_capget, &header, saved) != 0)
                return;

            __user_cap_data_struct reduced[2] = { saved[0], saved[1] };
            reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
            reduced[0].effective &= ~(1u << CAP_FOWNER);
            changed = ::syscall (SYS_capset, &header, reduced) == 0;
        }

        ~WithoutPermissionOverride()
        {
            if (changed)
                ::syscall (SYS_capset, &header, saved);
        }

        __user_cap_header_struct header {};
        __user_cap_data_struct saved[2] {};
        bool changed = false;
    };
}
#endif
