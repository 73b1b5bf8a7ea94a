#include "app/QueuedWindowEvents.h"

#include <juce_events/juce_events.h>

#if JUCE_LINUX || JUCE_BSD
 // The framework's own declarations of its X connection and its event loop's
 // handlers, as its other modules include them.
 #define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
 #include <juce_gui_basics/juce_gui_basics.h>
 #include <juce_events/native/juce_linux_EventLoopInternal.h>
#endif

void handOnQueuedWindowEvents()
{
   #if JUCE_LINUX || JUCE_BSD
    // Posted, so that it runs after the rest of the current message, whose
    // clean-up (a chooser's window destroyed) makes round trips of its own.
    juce::MessageManager::callAsync ([]
    {
        auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();

        if (windowSystem == nullptr || windowSystem->getDisplay() == nullptr)
            return;

        // The handler reads only what Xlib already holds or the connection
        // offers, and returns at once when there is nothing.
        const auto connection = juce::X11Symbols::getInstance()->xConnectionNumber (windowSystem->getDisplay());
        juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (connection);
    });
   #endif
}
