#include "app/QuillmereApplication.h"

// The process entry: hands control to the framework, which creates the
// application object, runs the message loop and shuts everything down.
START_JUCE_APPLICATION (QuillmereApplication)
