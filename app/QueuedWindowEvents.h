#pragma once

//==============================================================================
/** To be called at the end of a long stretch of work on the message thread
    (the Create road, whose packaging tools run through system()): makes sure
    that the window system's events that arrived meanwhile, a close request
    among them, are handled without waiting for further input.

    On Linux the framework's message loop wakes only when the X connection has
    data to read. The first round trip to the X server after the stretch of
    work (the framework's own, such as the one that destroys a chooser's
    window) moves every event that the server sent meanwhile into Xlib's queue,
    where the loop never looks. Once the current message has been handled, this
    gives the framework's X event handler one look at that queue. Elsewhere it
    does nothing: the platform's event loop sees its own queue.
*/
void handOnQueuedWindowEvents();
